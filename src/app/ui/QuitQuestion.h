// "A conversion is running. Stop it and quit?", asked through the platform's message box with
// "No" as its default button (Enter keeps converting, the safe choice), and withdrawn when the
// conversion ends while it is up: the box closes as if "No" was pressed, since nothing is left
// to stop.
#pragma once

#include <QObject>
#include <QPointer>

class QMessageBox;

class QuitQuestion : public QObject {
public:
    static constexpr const char* kText = "A conversion is running. Stop it and quit?";

    // Asks and waits for the answer: IDYES, or IDNO (also when withdrawn meanwhile).
    int Ask();
    // Closes the question when it is up; Ask then answers IDNO.
    void Withdraw();
    bool Asking() const { return m_asking; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_asking = false;
    bool m_withdrawn = false;
    QPointer<QMessageBox> m_box;
};
