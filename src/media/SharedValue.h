#pragma once

#include <atomic>

// A field that an engine thread writes while the user-interface thread reads it. Loads and stores
// are atomic; copying a record copies the current value, so records that hold such fields keep
// their plain field-by-field copy.
template <typename T> class SharedValue {
public:
    SharedValue(T value = T{}) : value_(value) {}
    SharedValue(const SharedValue& other) : value_(other.load()) {}
    SharedValue& operator=(const SharedValue& other) {
        store(other.load());
        return *this;
    }
    SharedValue& operator=(T value) {
        store(value);
        return *this;
    }
    operator T() const { return load(); }

    T load() const { return value_.load(std::memory_order_acquire); }
    void store(T value) { value_.store(value, std::memory_order_release); }
    std::atomic<T>& raw() { return value_; }

private:
    std::atomic<T> value_;
};
