// ThreadSanitizer's default suppressions for every program of the project. A thread-sanitized
// build compiles this file into each executable; other builds leave it out.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ORMA_THREAD_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_THREAD__) || defined(ORMA_THREAD_SANITIZER)
// Qt comes from the distribution, not built for ThreadSanitizer: the locks of its event queue
// and connection lists are invisible to it, and the queued signalDataReady() is reported as
// racing inside Qt. Only those Qt internals are excused; everything this program shares
// across threads is ordered by standard mutexes and atomics, which the sanitizer does see.
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
           "race:QTest::qRun\n" // the test runner's watchdog thread
           // QtConcurrent::run builds the task's result slot in the calling thread and hands the
           // task to a pool thread under QThreadPool's lock, which it does not show.
           "race:QFutureInterface\n"
           "race:QtConcurrent::RunFunctionTask\n"
           "race:QtConcurrent::StoredFunctorCall\n"
           // A queued slot gets its copy of the arguments (the block's shared pointer) in the
           // receiving thread, ordered after the sender's writes by the event queue's lock.
           "race:QtPrivate::FunctorCall\n"
           // Qt's own memory moves on its event queue and shared strings, whose locks and
           // reference counts it does not show.
           "called_from_lib:libQt5Core.so.5\n"
           // The GLib under Qt's event dispatcher frees a finished thread's memory from the
           // next thread, ordered by the thread join it does not show.
           "race:libglib-2.0.so.0\n"
           // A source is destroyed after QThread::wait() saw its thread end; that wait
           // synchronises inside Qt, so the sanitizer takes the frees for races.
           "race:SignalSource::~SignalSource\n"
           "race:FileSource::~FileSource\n"
           "race:SignalSimulation::~SignalSimulation\n";
}
#endif
