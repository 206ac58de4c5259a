#pragma once

#include <QImage>

// The two pictures of a schedule cell for one cell size: a dark glossy
// square, and the same square crossed out in red. Rendered once per size.
class cScheduleCells
{
public:
    // Renders both pictures for cells `side` pixels square, unless they
    // are of that size already.
    void fit(int side);
    int side() const { return plain.width(); }
    const QImage& picture(int value) const { return value == 0 ? plain : crossed; }

private:
    static QImage renderPlain(int side);
    static QImage renderCrossed(const QImage& plain);

    QImage crossed;
    QImage plain;
};
