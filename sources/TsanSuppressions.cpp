// ThreadSanitizer's default suppressions for every program of the project. A thread-sanitized
// build compiles this file into each executable; other builds leave it out.
#include "sources/ThreadHandOff.h"

#ifdef ORMA_THREAD_SANITIZER
// Qt comes from the distribution, not built for ThreadSanitizer: the locks of its event queue,
// connection lists and thread pool are invisible to it. Only races inside those Qt internals
// are excused here, by frames that appear in no code of this program; where this program hands
// data across threads through Qt, it marks the hand-off itself (sources/ThreadHandOff.h), so
// that a race in its own code is still reported. A pattern here matches any frame of either
// access, of the allocation and of the threads' creation, so none may name a frame that this
// program's code runs under (a slot call, a pool task, the test runner).
extern "C" const char *__tsan_default_suppressions()
{
    return "race:QObjectPrivate::Connection\n"
           "race:QObjectPrivate::connectImpl\n"
           "race:QCoreApplication::postEvent\n"
           "race:QCoreApplicationPrivate::sendPostedEvents\n"
           "race:QMetaCallEvent\n"
           // A queued signal's arguments (the published block) are copied in the sending
           // thread and destroyed in the receiving one, ordered by the event queue's lock.
           "race:QtMetaTypePrivate::QMetaTypeFunctionHelper\n"
           "race:QWaitCondition\n"
           // A task's result is stored by the pool thread and read by the watcher under the
           // future's own lock.
           "race:QFutureInterface\n"
           // Qt's own memory moves on its event queue and shared strings, whose locks and
           // reference counts it does not show.
           "called_from_lib:libQt5Core.so.5\n"
           // The test runner's watchdog thread waits in the library and is deleted after a
           // join inside it.
           "called_from_lib:libQt5Test.so.5\n"
           // The GLib under Qt's event dispatcher frees a finished thread's memory from the
           // next thread, ordered by the thread join it does not show.
           "race:libglib-2.0.so.0\n";
}
#endif
