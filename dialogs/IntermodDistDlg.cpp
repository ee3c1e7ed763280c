#include "dialogs/IntermodDistDlg.h"

#include "panels/PanelNumbers.h"
#include "sources/ui/SettingsDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

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
    // Fixed, 197 x 68 at the least, but never so small that the labels are cut off.
    setMinimumSize(197, 68);
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
    const ChannelImd imd = imdOf(block, std::max(0, block.channels.indexOf(context.channel)));
    if (imd.defined) {
        showImd(imd.result);
    } else {
        m_pImd2Edit->clear();
        m_pImd3Edit->clear();
    }
}

void IntermodDistDlg::showImd(const ImdResult &result)
{
    showReadout(m_pImd2Edit, imdText(result.imd2));
    showReadout(m_pImd3Edit, imdText(result.imd3));
}
