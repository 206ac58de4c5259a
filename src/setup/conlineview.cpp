#include "conlineview.h"

cOnlineView::cOnlineView(QWidget* parent) : QLabel(parent)
{
    setFrameShape(QFrame::StyledPanel);
    setScaledContents(true);
}

void cOnlineView::setPixmap(const QPixmap& pixmap)
{
    QLabel::setPixmap(pixmap.copy());
}
