#pragma once
// The one channel through which the compiler talks to the user: errors,
// warnings and status lines. The compiler never knows where they go; each
// hook forwards its format and arguments to a replaceable process-wide sink.
//
// Messages are composed by the caller. A text that was built elsewhere (a
// file name, an excerpt of the book) is always passed as an argument to a
// "%s" format, never as the format itself.

#include <cstdarg>

namespace scrivora {

// A sink receives the printf format and the caller's argument list and
// returns what it likes; callers ignore the result.
using LogSink = int (*)(const char* format, va_list args);

#if defined(__GNUC__)
#define SCRIVORA_PRINTF(fmt, first) __attribute__((format(printf, fmt, first)))
#else
#define SCRIVORA_PRINTF(fmt, first)
#endif

int reportError(const char* format, ...) SCRIVORA_PRINTF(1, 2);
int reportWarning(const char* format, ...) SCRIVORA_PRINTF(1, 2);
int reportStatus(const char* format, ...) SCRIVORA_PRINTF(1, 2);

// A null sink is ignored: the slot keeps the sink it has.
void setErrorSink(LogSink sink);
void setWarningSink(LogSink sink);
void setStatusSink(LogSink sink);

// The sink every slot holds at program start: prints the formatted message to
// standard output exactly as printf would, adding nothing.
int standardLogSink(const char* format, va_list args);

}  // namespace scrivora
