#pragma once

// The FFmpeg libraries are not built with ThreadSanitizer: their own threads (frame-threaded
// decoders, filter graph workers) hand buffers over with synchronisation the sanitizer cannot see,
// so it reports their malloc/free pairs as races. These suppressions ignore the allocator and
// thread calls made from inside those libraries only; everything our code does stays checked.
// Without ThreadSanitizer they have no effect.

#include <string>

inline constexpr const char* kFfmpegTsanSuppressions = "called_from_lib:libavcodec.so\n"
                                                       "called_from_lib:libavutil.so\n"
                                                       "called_from_lib:libavformat.so\n"
                                                       "called_from_lib:libavfilter.so\n"
                                                       "called_from_lib:libswscale.so\n"
                                                       "called_from_lib:libswresample.so\n";

// TSAN_OPTIONS for a child process (movara-convert) with the suppressions above in a file that
// lasts as long as this process; the current options are kept unless they name a file already.
std::string childTsanOptions();
