#include "sources/export/FilterExport.h"

namespace {

// Coefficients keep every digit a double has to show; the workbook stores the value itself.
constexpr int CoefficientDecimals = 15;

bool usesRipple(const FilterParams &p) { return p.iirFilter == IirChebyshev || p.iirFilter == IirElliptic; }
bool usesAttenuation(const FilterParams &p)
{
    return p.iirFilter == IirInverseChebyshev || p.iirFilter == IirElliptic;
}

} // namespace

QString iirFilterTitle(const FilterParams &p)
{
    static const char *const functions[] = {"ФНЧ", "ФВЧ", "полосового фильтра",
                                            "режекторного фильтра"};
    static const char *const families[] = {"Баттерворта", "Чебышева", "инверсного Чебышева",
                                           "", "Бесселя"};
    const QString function = QString::fromUtf8(functions[p.filterFunction & 3]);
    if (p.iirFilter == IirElliptic)
        return QStringLiteral("Параметры эллиптического ") + function;
    return QStringLiteral("Параметры ") + function + QLatin1Char(' ') +
           QString::fromUtf8(families[p.iirFilter <= IirBessel ? p.iirFilter : 0]);
}

ExportTable iirExportTable(const FilterParams &p, double fs, const std::vector<Biquad> &sections)
{
    ExportTable t;
    t.title = iirFilterTitle(p);
    const bool band = p.filterFunction >= 2;
    t.headers << QStringLiteral("Порядок \nфильтра") << QStringLiteral("Частота \nдискретизации (Гц)");
    std::vector<ExportCell> values = {ExportCell::number(p.iirOrder, 0), ExportCell::number(fs, 3)};
    if (band) {
        t.headers << QStringLiteral("Нижняя частота \nсреза (Гц)")
                  << QStringLiteral("Верхняя частота \nсреза (Гц)");
        values.push_back(ExportCell::number(double(p.iirLowFreq) * 1000.0, 3));
        values.push_back(ExportCell::number(double(p.iirUpFreq) * 1000.0, 3));
    } else {
        t.headers << QStringLiteral("Частота \nсреза (Гц)");
        values.push_back(ExportCell::number(double(p.iirLowFreq) * 1000.0, 3));
    }
    if (usesRipple(p)) {
        t.headers << QStringLiteral("Пульсации \n(дБ)");
        values.push_back(ExportCell::number(p.iirPulse, 3));
    }
    if (usesAttenuation(p)) {
        t.headers << QStringLiteral("Подавление \n(дБ)");
        values.push_back(ExportCell::number(p.iirDepresion, 3));
    }
    t.rows.push_back(values);
    t.rows.push_back({});
    std::vector<ExportCell> labels;
    for (const char *label : {"Звено", "b0", "b1", "b2", "a0", "a1", "a2"})
        labels.push_back(ExportCell::label(QString::fromUtf8(label)));
    t.rows.push_back(labels);
    for (size_t i = 0; i < sections.size(); ++i) {
        const Biquad &s = sections[i];
        t.rows.push_back({ExportCell::number(double(i + 1), 0),
                          ExportCell::number(s.b0, CoefficientDecimals),
                          ExportCell::number(s.b1, CoefficientDecimals),
                          ExportCell::number(s.b2, CoefficientDecimals),
                          ExportCell::number(1.0, CoefficientDecimals),
                          ExportCell::number(s.a1, CoefficientDecimals),
                          ExportCell::number(s.a2, CoefficientDecimals)});
    }
    return t;
}
