#include "sources/BlockFilter.h"

#include "dsp/FirDesign.h"
#include "dsp/IirFilter.h"
#include "sources/settings/FilterSettings.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

QString number(double v) { return QString::number(v, 'g', 10); }

bool isFir(const FilterParams &p) { return p.filterType == 0; }

// The length the dialog would use: an even one is raised to odd.
int oddLength(int32_t length) { return length % 2 ? length : length + 1; }

QString checkEdges(const FilterParams &p, double fs, const char *lowKey, const char *upKey,
                   double lowKhz, double upKhz)
{
    const double nyquistKhz = fs / 2000.0;
    auto inside = [&](const char *key, double khz) {
        if (khz > 0 && khz < nyquistKhz)
            return QString();
        return QStringLiteral("%1 = %2 кГц: частота среза должна лежать между 0 и половиной "
                              "частоты дискретизации (%3 кГц)")
            .arg(QLatin1String(key), number(khz), number(nyquistKhz));
    };
    QString error = inside(lowKey, lowKhz);
    if (!error.isEmpty() || p.filterFunction < 2)
        return error;
    error = inside(upKey, upKhz);
    if (!error.isEmpty())
        return error;
    if (!(upKhz > lowKhz))
        return QStringLiteral("%1 = %2 кГц: верхняя частота среза должна быть больше нижней "
                              "(%3 кГц)")
            .arg(QLatin1String(upKey), number(upKhz), number(lowKhz));
    return QString();
}

QString checkFir(const FilterParams &p, double fs)
{
    const int length = oddLength(p.firLength);
    if (p.firLength < 0 || length < 3 || length > FilterSettings::MaxFirLength)
        return QStringLiteral("Filtration/FirLength = %1: длина фильтра должна быть от 3 до %2 "
                              "отсчетов")
            .arg(p.firLength)
            .arg(FilterSettings::MaxFirLength);
    if (p.firFilter > 1)
        return QStringLiteral("Filtration/FirFilter = %1: нет такого типа КИХ-фильтра").arg(p.firFilter);
    if (p.firFilter == 1 && p.firWindow > 4)
        return QStringLiteral("Filtration/FirWindow = %1: нет такого окна").arg(p.firWindow);
    if (p.firFilter == 0 &&
        !(p.firBetaKaiser >= 0 && p.firBetaKaiser <= FilterSettings::MaxKaiserBeta))
        return QStringLiteral("Filtration/FirBetaKaiser = %1: бета Кайзера должна быть от 0 до %2")
            .arg(number(p.firBetaKaiser), number(FilterSettings::MaxKaiserBeta));
    return checkEdges(p, fs, "Filtration/FirLowFreq", "Filtration/FirUpFreq", p.firLowFreq,
                      p.firUpFreq);
}

QString checkIir(const FilterParams &p, double fs)
{
    if (p.iirFilter > IirBessel)
        return QStringLiteral("Filtration/IirFilter = %1: нет такого типа БИХ-фильтра").arg(p.iirFilter);
    const int maxOrder = maxIirOrder(int(p.iirFilter));
    if (p.iirOrder < 1 || p.iirOrder > maxOrder)
        return QStringLiteral("Filtration/IirOrder = %1: порядок фильтра этого типа должен быть "
                              "от 1 до %2")
            .arg(p.iirOrder)
            .arg(maxOrder);
    const bool ripple = p.iirFilter == IirChebyshev || p.iirFilter == IirElliptic;
    const bool attenuation = p.iirFilter == IirInverseChebyshev || p.iirFilter == IirElliptic;
    const double maxDb = FilterSettings::MaxLevelDb;
    if (ripple && !(p.iirPulse > 0 && p.iirPulse <= maxDb))
        return QStringLiteral("Filtration/IirPulse = %1 дБ: пульсации должны быть больше 0 и не "
                              "больше %2 дБ")
            .arg(number(p.iirPulse), number(maxDb));
    if (attenuation && !(p.iirDepresion > 0 && p.iirDepresion <= maxDb))
        return QStringLiteral("Filtration/IirDepresion = %1 дБ: подавление должно быть больше 0 и "
                              "не больше %2 дБ")
            .arg(number(p.iirDepresion), number(maxDb));
    if (p.iirFilter == IirElliptic && !(p.iirDepresion > p.iirPulse))
        return QStringLiteral("Filtration/IirDepresion = %1 дБ: подавление эллиптического фильтра "
                              "должно быть больше пульсаций (%2 дБ)")
            .arg(number(p.iirDepresion), number(p.iirPulse));
    return checkEdges(p, fs, "Filtration/IirLowFreq", "Filtration/IirUpFreq", p.iirLowFreq,
                      p.iirUpFreq);
}

// Sums of (v - v): NaN as soon as one value is infinite or NaN. Four sums, so that the adds
// do not wait for each other.
bool allFinite(const double *v, size_t n)
{
    double probe[4] = {0.0, 0.0, 0.0, 0.0};
    size_t i = 0;
    for (; i + 4 <= n; i += 4)
        for (size_t j = 0; j < 4; ++j)
            probe[j] += v[i + j] - v[i + j];
    for (; i < n; ++i)
        probe[0] += v[i] - v[i];
    return probe[0] + probe[1] + probe[2] + probe[3] == 0.0;
}

} // namespace

QString checkFilterParams(const FilterParams &p, double fs)
{
    if (!(fs > 0) || !std::isfinite(fs))
        return QStringLiteral("Частота дискретизации %1 Гц: фильтрация пропущена").arg(number(fs));
    if (p.filterType > 1)
        return QStringLiteral("Filtration/FilterType = %1: нет такого типа фильтра").arg(p.filterType);
    if (p.filterFunction > 3)
        return QStringLiteral("Filtration/FilterFunction = %1: нет такой функции фильтра")
            .arg(p.filterFunction);
    return isFir(p) ? checkFir(p, fs) : checkIir(p, fs);
}

IirParams iirParamsOf(const FilterParams &p, double fs)
{
    IirParams s;
    s.family = int(p.iirFilter);
    s.band = p.filterFunction;
    s.order = p.iirOrder;
    s.fs = fs;
    s.f1 = double(p.iirLowFreq) * 1000.0;
    s.f2 = double(p.iirUpFreq) * 1000.0;
    s.rippleDb = p.iirPulse;
    s.attenuationDb = p.iirDepresion;
    return s;
}

FilterDesign designFilter(const FilterParams &p, double fs)
{
    FilterDesign d;
    d.error = checkFilterParams(p, fs);
    d.isFir = isFir(p);
    if (!d.ok())
        return d;
    if (d.isFir) {
        const int length = oddLength(p.firLength);
        d.taps.assign(size_t(length), 0.0);
        const int window = p.firFilter == 0 ? FirKaiser : int(p.firWindow);
        if (designFir(p.filterFunction, fs, double(p.firLowFreq) * 1000.0,
                      double(p.firUpFreq) * 1000.0, length, window, p.firBetaKaiser,
                      d.taps.data()) != 0)
            d.error = QStringLiteral("КИХ-фильтр с такими параметрами не строится");
        return d;
    }
    if (designIir(iirParamsOf(p, fs), d.sections) != IirDesigned)
        d.error = QStringLiteral("БИХ-фильтр не построен: при порядке %1 и такой полосе полюсы "
                                 "неотделимы от единичной окружности в точности double")
                      .arg(p.iirOrder);
    return d;
}

bool BlockFilter::prepare(double fs, const FilterParams &params)
{
    if (m_prepared && m_fs == fs && m_params == params)
        return m_design.ok();
    m_prepared = true;
    m_fs = fs;
    m_params = params;
    m_fir.reset();
    m_settling = 0;
    m_design = designFilter(params, fs);
    if (m_design.ok() && !m_design.isFir)
        m_settling = iirSettlingLength(m_design.sections.data(), int(m_design.sections.size()),
                                       MaxSettlingLength);
    if (m_design.ok() && m_design.isFir) {
        m_settling = m_design.taps.size() - 1;
        m_fir = std::make_unique<FirFilter>();
        if (!m_fir->setTaps(m_design.taps.data(), int(m_design.taps.size())))
            m_design.error = QStringLiteral("Нет памяти для КИХ-фильтра длиной %1")
                                 .arg(m_design.taps.size());
    }
    return m_design.ok();
}

size_t BlockFilter::settlingLength(double fs, const FilterParams &params)
{
    return prepare(fs, params) ? m_settling : 0;
}

QString BlockFilter::apply(double *samples, size_t n, const double *leadIn, size_t leadCount,
                           double fs, const FilterParams &params)
{
    if (!prepare(fs, params))
        return m_design.error;
    if (n == 0)
        return QString();
    if (!leadIn)
        leadCount = 0;
    const size_t total = leadCount + n;
    // The output goes beside the samples, so that a failure leaves them as they were.
    try {
        if (m_output.size() < total)
            m_output.resize(total);
        if (leadCount && m_input.size() < total)
            m_input.resize(total);
    } catch (const std::bad_alloc &) {
        return QStringLiteral("Нет памяти для фильтрации %1 отсчетов").arg(total);
    }
    const double *in = samples;
    if (leadCount) {
        std::copy(leadIn, leadIn + leadCount, m_input.data());
        std::copy(samples, samples + n, m_input.data() + leadCount);
        in = m_input.data();
    }
    double *out = m_output.data();
    if (m_design.isFir)
        m_fir->filter(in, total, out);
    else
        filterCascade(m_design.sections.data(), int(m_design.sections.size()), in, total, out);
    out += leadCount;
    if (!allFinite(out, n))
        return QStringLiteral("Фильтр дал нечисловые отсчеты: канал оставлен без фильтрации");
    std::copy(out, out + n, samples);
    return QString();
}
