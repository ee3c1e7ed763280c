#include "app/FilterFollower.h"

#include "dialogs/FiltersDlg.h"

#include <QLabel>

FilterFollower::FilterFollower(FiltersDlg &dialog, QLabel &statusLabel)
    : m_dialog(dialog), m_statusLabel(statusLabel)
{
    m_statusLabel.hide();
}

void FilterFollower::followBlock(const BlockContext &context)
{
    if (!context.block)
        return;
    const QString &status = context.block->filterStatus;
    m_dialog.setSampleRate(context.block->sampleRate());
    m_dialog.setBlockStatus(status);
    m_statusLabel.setText(QStringLiteral("Фильтр не применен: ") + status);
    m_statusLabel.setToolTip(status);
    m_statusLabel.setVisible(!status.isEmpty());
}
