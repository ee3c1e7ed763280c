#pragma once
// A one-line label for a strip that may be narrower than its texts (the status bar): it shows
// as much of its text as fits, ending in "…", never widens the window for a long text, and
// gives the whole text as its tool tip while it is cut.
#include <QLabel>

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    // The text does not fit the label's width.
    bool isElided() const;
    // The text as drawn.
    QString shownText() const;
    // A few characters: the rest of the text is in the tool tip.
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
