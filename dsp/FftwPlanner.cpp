#include "dsp/FftwPlanner.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <fftw3.h>

std::mutex &fftwPlannerMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::string fftwWisdomPath()
{
    const QByteArray chosen = qgetenv("ORMA_FFTW_WISDOM");
    if (!chosen.isEmpty())
        return chosen.toStdString();
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return cache.isEmpty() ? std::string() : (cache + "/orma/fftw-wisdom").toStdString();
}

namespace {

// The wisdom as last read or written; guarded by the planner lock.
std::string &knownWisdom()
{
    static std::string wisdom;
    return wisdom;
}

std::string exportedWisdom()
{
    char *text = fftw_export_wisdom_to_string();
    std::string wisdom = text ? text : "";
    fftw_free(text);
    return wisdom;
}

void importOnce(const std::string &path)
{
    static bool imported = false;
    if (imported)
        return;
    imported = true;
    if (!path.empty())
        fftw_import_wisdom_from_filename(path.c_str()); // a missing or foreign file is ignored
    knownWisdom() = exportedWisdom();
}

void exportIfLearnt(const std::string &path)
{
    if (path.empty())
        return;
    std::string wisdom = exportedWisdom();
    if (wisdom == knownWisdom())
        return;
    knownWisdom() = wisdom;
    const QString file = QString::fromStdString(path);
    QDir().mkpath(QFileInfo(file).absolutePath());
    // Written whole or not at all: another instance may be reading it.
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly)) {
        out.write(wisdom.data(), qint64(wisdom.size()));
        out.commit();
    }
}

} // namespace

FftwPlanning::FftwPlanning() : m_lock(fftwPlannerMutex())
{
    importOnce(fftwWisdomPath());
}

FftwPlanning::~FftwPlanning()
{
    exportIfLearnt(fftwWisdomPath());
}
