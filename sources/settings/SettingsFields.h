#pragma once
// A settings struct's stored keys as one table that both load and save walk, so that each key
// with its kind, range and rule is written once. A row reads its key into one member, falling
// back to that member of the defaults (a default-constructed struct unless the caller gives
// others), and writes the member back in the format the files have always had.
#include "sources/settings/IniFile.h"

#include <cmath>
#include <functional>
#include <numeric>
#include <type_traits>
#include <vector>

// The place of a row that stores one element of an array member.
template <typename Array> auto element(Array array, int index)
{
    return [array, index](auto &s) -> auto & { return (s.*array)[size_t(index)]; };
}

template <typename S> class SettingsFields {
    template <typename At> using Member = std::remove_reference_t<std::invoke_result_t<At, S &>>;
    // Integers round to the nearest, as IniFile::readInt does.
    template <typename T> struct Nearest {
        T operator()(double v) const { return T(std::is_integral_v<T> ? std::round(v) : v); }
    };

public:
    // The general row. `at` is a pointer to member or a callable giving the member of a struct;
    // read(ini, key, fallback) gives the member's value, store(value) what the file gets.
    template <typename At, typename Read, typename Store>
    SettingsFields &add(const QString &key, At at, Read read, Store store)
    {
        m_rows.push_back({[=](const IniFile &ini, S &s, const S &d) { std::invoke(at, s) = read(ini, key, std::invoke(at, d)); },
                          [=](IniFile &ini, const S &s) { ini.write(key, store(std::invoke(at, s))); }});
        return *this;
    }

    // 0 / 1; "true" and "false" read too.
    template <typename At> SettingsFields &flag(const QString &key, At at)
    {
        return add(key, at, [](const IniFile &ini, const QString &k, bool d) { return ini.readBool(k, d); },
                   [](bool isSet) { return QVariant(int(isSet)); });
    }

    // A number clamped into lo..hi, then made one the program takes by `normal`.
    template <typename At, typename Normal = Nearest<Member<At>>>
    SettingsFields &number(const QString &key, At at, double lo, double hi, Normal normal = {})
    {
        using T = Member<At>;
        using Stored = std::conditional_t<std::is_floating_point_v<T>, double,
                                          std::conditional_t<std::is_signed_v<T>, qlonglong, qulonglong>>;
        return add(key, at,
                   [=](const IniFile &ini, const QString &k, T d) { return T(normal(ini.readDouble(k, double(d), lo, hi))); },
                   [](T v) { return QVariant(Stored(v)); });
    }

    // One of `codes`; any other stored value gives the default.
    template <typename At, typename Codes> SettingsFields &code(const QString &key, At at, const Codes &codes)
    {
        using T = Member<At>;
        return add(key, at,
                   [list = std::vector<int>(std::begin(codes), std::end(codes))](
                       const IniFile &ini, const QString &k, T d) { return T(ini.readCode(k, int(d), list)); },
                   [](T v) { return QVariant(int(v)); });
    }
    // An index into `count` choices; any other stored value gives the default.
    template <typename At> SettingsFields &choice(const QString &key, At at, int count)
    {
        std::vector<int> indices(static_cast<size_t>(count));
        std::iota(indices.begin(), indices.end(), 0);
        return code(key, at, indices);
    }

    template <typename At> SettingsFields &text(const QString &key, At at)
    {
        return add(key, at, [](const IniFile &ini, const QString &k, const QString &d) { return ini.readText(k, d); },
                   [](const QString &s) { return QVariant(s); });
    }

    void load(const IniFile &ini, S &s, const S &defaults = S()) const
    {
        for (const Row &row : m_rows)
            row.read(ini, s, defaults);
    }
    void load(const QString &iniPath, S &s, const S &defaults = S()) const { load(IniFile(iniPath), s, defaults); }
    void save(IniFile &ini, const S &s) const
    {
        for (const Row &row : m_rows)
            row.write(ini, s);
    }
    void save(const QString &iniPath, const S &s) const
    {
        IniFile ini(iniPath);
        save(ini, s);
    }

private:
    struct Row {
        std::function<void(const IniFile &, S &, const S &)> read;
        std::function<void(IniFile &, const S &)> write;
    };
    std::vector<Row> m_rows;
};
