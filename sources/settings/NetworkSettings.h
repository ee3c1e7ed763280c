#pragma once
// "Настройки сети": server address, port and record name of the network source, stored as text
// under "Network/" in the application configuration.
#include <QString>

#include <tuple>

// IPv4 text as typed or stored: blanks between the numbers become dots; more than four numbers
// or a number above 255 are refused. Fewer numbers pass ("10.0" is 10.0.0.0, as the resolver
// reads it); a dot not followed by a number yet is still being typed.
enum class AddressText { Invalid, Incomplete, Complete };
AddressText checkIpAddress(QString &text);

struct NetworkSettings {
    static constexpr unsigned MaxPort = 9999;

    QString address = QStringLiteral("127.0.0.1");
    unsigned port = 7777;
    QString fileName = QStringLiteral("data_0.bin");

    // A stored address or port that is not complete and valid gives the default.
    void load(const QString &iniPath);
    void save(const QString &iniPath) const;

private:
    auto fields() const { return std::tie(address, port, fileName); }

public:
    bool operator==(const NetworkSettings &other) const { return fields() == other.fields(); }
    bool operator!=(const NetworkSettings &other) const { return !(*this == other); }
};
