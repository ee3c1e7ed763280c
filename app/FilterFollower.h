#pragma once
// Keeps the filter dialog and the status bar told about each block: the sampling rate the
// filter is designed at, and why the filter left the block unfiltered, if it did.
#include "app/BlockFollower.h"

class FiltersDlg;
class QLabel;

class FilterFollower : public BlockFollower {
public:
    // `statusLabel` lives in the status bar; it is shown only while there is a reason.
    FilterFollower(FiltersDlg &dialog, QLabel &statusLabel);
    void followBlock(const BlockContext &context) override;

private:
    FiltersDlg &m_dialog;
    QLabel &m_statusLabel;
};
