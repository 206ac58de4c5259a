// A full repaint of the week grid (7 x 24 cells, labels and outline) at
// 800 x 300, beside drawing the same number of cached cell pictures with
// QPainter::drawImage alone: the grid's cell pictures are rendered once per
// cell size, so its repaint should cost little more than the copies.
#include "controls/cschedulecells.h"
#include "controls/cvelkschedule.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <utility>

namespace {

const int kRounds = 15;
const int kPaints = 200;

// Time of one paint in one round of kPaints, in milliseconds.
double roundMs(const std::function<void()>& paint)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kPaints; ++i)
        paint();
    return timer.nsecsElapsed() / 1e6 / kPaints;
}

// Best time of one paint of each side. Rounds alternate between the sides,
// so that other work on a shared machine slows both alike.
std::pair<double, double> bestMs(const std::function<void()>& ours,
                                 const std::function<void()>& reference)
{
    double best[2] = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
    for (int round = 0; round < kRounds; ++round) {
        best[0] = std::min(best[0], roundMs(ours));
        best[1] = std::min(best[1], roundMs(reference));
    }
    return {best[0], best[1]};
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    cVelkSchedule schedule;
    for (const char* day : {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"})
        schedule.appendRow(QString::fromLatin1(day));
    for (int hour = 0; hour < 24; ++hour)
        schedule.appendColumn(QString::number(hour));
    schedule.resize(800, 300);
    QVector<int> values(168);
    for (int i = 0; i < values.size(); ++i)
        values[i] = i % 3 == 0;
    schedule.setValue(values);

    QImage target(800, 300, QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::black);
    const QRect grid = schedule.gridRect();
    const int side = schedule.cellSize();
    cScheduleCells cells;
    cells.fit(side);
    const auto [ours, reference] =
        bestMs([&] { schedule.render(&target, QPoint(), QRegion(), {}); },
               [&] {
                   QPainter painter(&target);
                   for (int i = 0; i < values.size(); ++i)
                       painter.drawImage(grid.left() + i % 24 * side, grid.top() + i / 24 * side,
                                         cells.picture(values[i]));
               });

    std::printf("bench schedule_paint: ours=%.3fms reference=%.3fms ratio=%.3f\n", ours, reference,
                ours / reference);
    return 0;
}
