#include "dialogs/MeasurementViews.h"

#include "dialogs/AdcDistribDlg.h"
#include "dialogs/AmplPhaseDlg.h"
#include "dialogs/DevParamsDlg.h"
#include "dialogs/IntermodDistDlg.h"
#include "dialogs/PhaseMisDlg.h"
#include "dialogs/SineFitDlg.h"
#include "dialogs/VectorDiagramDlg.h"

#include <cstring>

namespace views {

namespace {

template <typename Dialog> Made makeDialog(QWidget *parent)
{
    auto *dialog = new Dialog(parent);
    return {dialog, dialog};
}

const Row kRows[] = {
    {"vector", &makeDialog<VectorDiagramDlg>},
    {"iq", &makeDialog<AmplPhaseDlg>},
    {"devparams", &makeDialog<DevParamsDlg>},
    {"phase", &makeDialog<PhaseMisDlg>},
    {"histogram", &makeDialog<AdcDistribDlg>},
    {"imd", &makeDialog<IntermodDistDlg>},
    {"sinefit", &makeDialog<SineFitDlg>},
};

} // namespace

const Row *rows() { return kRows; }
size_t rowCount() { return sizeof kRows / sizeof kRows[0]; }

Made make(const char *id, QWidget *parent)
{
    for (const Row &row : kRows)
        if (std::strcmp(row.id, id) == 0)
            return row.make(parent);
    return {};
}

} // namespace views
