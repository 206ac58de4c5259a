#pragma once

#include <QLabel>

// The "online" control: a framed view of the pictures that time tasks bring.
class cOnlineView : public QLabel
{
    Q_OBJECT
public:
    explicit cOnlineView(QWidget* parent = nullptr);

public slots:
    // Shows the picture as it is at this call. Receivers may hand on every
    // frame in one reused buffer, under one cache key: QLabel would keep the
    // first such picture as "unchanged", and a picture that shares the
    // sender's buffer would change under the view afterwards.
    void setPixmap(const QPixmap& pixmap);
};
