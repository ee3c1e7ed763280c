#include "plot/OrmaScaleDraw.h"

#include <QPainter>

#include <qwt_text.h>

#include "plot/Transforms.h"

QString trimmedNumber(double value, int decimals)
{
    QString text = QString::number(value, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    // -0.0004 at three decimals would read "-0".
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

void OrmaScaleDraw::setTransforms(Transforms *transforms)
{
    m_transforms = transforms;
    invalidateCache();
}

void OrmaScaleDraw::setPrecision(int decimals)
{
    m_precision = decimals;
    invalidateCache();
}

QwtText OrmaScaleDraw::label(double value) const
{
    if (m_transforms)
        value = m_transforms->toUnits(value, 0.0);
    return QwtText(trimmedNumber(value, m_precision));
}

void OrmaScaleDraw::drawLabel(QPainter *painter, double value) const
{
    // With a converter the unit may have changed since the label was cached.
    QwtText text;
    if (m_transforms) {
        text = label(value);
        text.setRenderFlags(0);
        text.setLayoutAttribute(QwtText::MinimumLayout);
    } else {
        text = tickLabel(painter->font(), value);
    }
    if (text.isEmpty())
        return;

    const QPointF pos = labelPosition(value);
    const QSizeF size = text.textSize(painter->font());
    painter->save();
    painter->setWorldTransform(labelTransformation(pos, size), true);
    text.draw(painter, QRect(QPoint(0, 0), size.toSize()));
    painter->restore();
}
