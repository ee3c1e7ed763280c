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
    const BlockSnapshot &block = *context.block;
    QString status = block.filterStatus;
    QString text = QStringLiteral("Фильтр не применен: ") + status;
    if (status.isEmpty() && block.filterUnsettled) {
        status = QStringLiteral("Фильтр не установился на первых %1 отсчетах блока: перед ними в "
                                "записи нет отсчетов, на которых он бы вошел в режим")
                     .arg(block.filterUnsettled);
        text = QStringLiteral("Фильтр не установился: первые %1 отсч.").arg(block.filterUnsettled);
    }
    m_dialog.setSampleRate(block.sampleRate());
    m_dialog.setBlockStatus(status);
    m_statusLabel.setText(text);
    m_statusLabel.setToolTip(status);
    m_statusLabel.setVisible(!status.isEmpty());
}
