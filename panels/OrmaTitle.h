#pragma once
// The title of a plot axis drawn beside the plot instead of by it, so that the panel can place
// it freely: a scale widget that paints nothing but its title.
#include <qwt_scale_widget.h>

class OrmaTitle : public QwtScaleWidget
{
    Q_OBJECT

public:
    explicit OrmaTitle(QWidget *parent = nullptr);

    // 0: below a plot (text horizontal), 2: left of a plot (text rotated, reading upwards).
    void setAlignment(int a);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool isVertical() const { return m_alignment == LeftScaleAlignment; }
    int titleExtent() const;

    static constexpr int LeftScaleAlignment = 2;
    int m_alignment = 0;
};
