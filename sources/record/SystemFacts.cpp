#include "sources/record/SystemFacts.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

QString systemErrorText(int error)
{
    switch (error) {
    case ENOENT:
        return QStringLiteral("не существует");
    case ECONNREFUSED:
        return QStringLiteral("соединение отклонено: сервер не слушает этот порт");
    case ECONNRESET:
        return QStringLiteral("соединение сброшено собеседником");
    case EPIPE:
        return QStringLiteral("соединение разорвано собеседником");
    case ETIMEDOUT:
        return QStringLiteral("время ожидания истекло");
    case EACCES:
    case EPERM:
        return QStringLiteral("нет прав доступа");
    case EHOSTUNREACH:
    case ENETUNREACH:
        return QStringLiteral("узел недоступен");
    case ENOMEM:
        return QStringLiteral("не хватает памяти");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

uint64_t blockMemoryLimit()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageBytes = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageBytes <= 0)
        return uint64_t(1) << 30; // unknown: a gigabyte, as much as any machine we run on has
    return uint64_t(pages) * uint64_t(pageBytes) / 2;
}

QString byteSizeText(uint64_t bytes)
{
    return QStringLiteral("%1 байт (%2 МиБ)").arg(bytes).arg(double(bytes) / (1 << 20), 0, 'f', 1);
}
