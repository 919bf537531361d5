#include "Layout.h"

bool TLayoutTable::HasFooter() const
{
    for (const TLayoutColumn& c : Columns)
        if (!c.Footer.trimmed().isEmpty()) return true;
    return false;
}

QRectF TPageSetup::Body() const
{
    const QSizeF s = Oriented();
    return QRectF(MarginLeft, MarginTop, s.width() - MarginLeft - MarginRight, s.height() - MarginTop - MarginBottom);
}
