#pragma once

#include <QImage>

// The two pictures of a schedule cell for one cell size: a green glossy
// square for a recorded hour, and a dark one crossed out in red for an hour
// off. Rendered once per size.
class cScheduleCells
{
public:
    // Renders both pictures for cells `side` pixels square, unless they
    // are of that size already.
    void fit(int side);
    int side() const { return plain.width(); }
    const QImage& picture(int value) const { return value == 0 ? plain : crossed; }

private:
    static QImage renderPlain(int side, bool recorded);
    static QImage renderCrossed(const QImage& plain);

    QImage crossed;
    QImage plain;
};
