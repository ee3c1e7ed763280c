#include "dialogs/IntermodDistDlg.h"

#include "panels/PanelNumbers.h"
#include "sources/measure/imd/ImdReport.h"
#include "sources/ui/SettingsDlg.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <cmath>

IntermodDistDlg::IntermodDistDlg(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8("Интермодуляционные искажения"));
    auto edit = [](const char *name) {
        auto *e = named(new QLineEdit, name);
        e->setReadOnly(true);
        e->setFixedWidth(60);
        e->setAlignment(Qt::AlignCenter);
        return e;
    };
    m_pImd2Edit = edit("m_pImd2Edit");
    m_pImd3Edit = edit("m_pImd3Edit");
    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QString::fromUtf8("2-й порядок")), 0, 0);
    grid->addWidget(m_pImd2Edit, 0, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("дБ")), 0, 2);
    grid->addWidget(new QLabel(QString::fromUtf8("3-й порядок")), 1, 0);
    grid->addWidget(m_pImd3Edit, 1, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("дБ")), 1, 2);
    m_pReasonLabel = named(new QLabel, "m_pReasonLabel");
    m_pReasonLabel->hide();
    // A long reason widens the dialog to the right of the figures, not between their columns.
    grid->addWidget(m_pReasonLabel, 2, 0, 1, 4);
    grid->setColumnStretch(3, 1);
    // Fixed at its contents' size, but wide enough for the title bar to show the whole title
    // beside its icon and buttons.
    const int titleWidth =
        QFontMetrics(QApplication::font("QWorkspaceTitleBar")).horizontalAdvance(windowTitle());
    grid->setColumnMinimumWidth(3, std::max(0, titleWidth * 6 / 5 + 140 - grid->sizeHint().width()));
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

QString IntermodDistDlg::imdText(double db)
{
    return std::isfinite(db) ? fittedNumber(db, 2, 9, true) : QString();
}

void IntermodDistDlg::followBlock(const MeasurementContext &context)
{
    if (!isVisible() || !context.block)
        return;
    const BlockSnapshot &block = *context.block;
    const int index = block.channels.indexOf(context.channel);
    if (index < 0) {
        // Another channel's figures under this one's name would be worse than none.
        const QString reason =
            QString::fromUtf8("канала %1 нет в блоке").arg(context.channel);
        showFigure(m_pImd2Edit, NAN, reason);
        showFigure(m_pImd3Edit, NAN, reason);
        showReasons(QString::fromUtf8("2-й и 3-й порядок: ") + reason);
        return;
    }
    showImd(imdOf(block, index));
}

void IntermodDistDlg::showImd(const ChannelImd &imd)
{
    // Without a spectrum there is neither a figure nor a reason.
    const ImdResult &r = imd.result;
    const auto language = ReasonLanguage::Russian;
    showFigure(m_pImd2Edit, imd.defined ? r.imd2 : NAN, imdReason(imd, r.imd2Verdict, language));
    showFigure(m_pImd3Edit, imd.defined ? r.imd3 : NAN, imdReason(imd, r.imd3Verdict, language));
    showReasons(imdReasons(imd, language));
}

void IntermodDistDlg::showReasons(const QString &reasons)
{
    m_pReasonLabel->setText(reasons);
    m_pReasonLabel->setVisible(!reasons.isEmpty());
    reportReason(reasons);
}

void IntermodDistDlg::showFigure(QLineEdit *edit, double db, const QString &reason)
{
    showReadout(edit, reason.isEmpty() ? imdText(db) : QString());
    QString tip = reason;
    if (!tip.isEmpty())
        tip[0] = tip[0].toUpper();
    edit->setToolTip(tip);
}
