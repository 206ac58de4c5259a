#include "cstereoresults.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

struct Row
{
    const char* label;
    QString (*text)(const cStereoResults::Camera& camera, int pixelSize);
};

// One line per figure shown for each camera.
const Row kRows[] = {
    {QT_TRANSLATE_NOOP("cStereoResults", "Focal length:"),
     [](const cStereoResults::Camera& c, int pixelSize) {
         return cStereoResults::focalText(c.matrix, pixelSize);
     }},
    {QT_TRANSLATE_NOOP("cStereoResults", "Principal Point:"),
     [](const cStereoResults::Camera& c, int) { return cStereoResults::principalText(c.matrix); }},
    {QT_TRANSLATE_NOOP("cStereoResults", "Radial coefficients:"),
     [](const cStereoResults::Camera& c, int) { return cStereoResults::radialText(c.distortion); }},
};

} // namespace

cStereoResults::cStereoResults(const QImage& pair, double error, int pixelSize, const Camera& left,
                               const Camera& right, QWidget* parent)
    : QDialog(parent), m_pair(QPixmap::fromImage(pair))
{
    setObjectName(QStringLiteral("StereoResults"));
    setWindowTitle(tr("Stereo rectification result"));
    auto* layout = new QVBoxLayout(this);
    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("rectifiedPair"));
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setPixmap(m_pair);
    layout->addWidget(m_picture);
    auto* summary =
        new QLabel(tr("Rectification is done with average RMS error = %1.").arg(error), this);
    summary->setObjectName(QStringLiteral("summary"));
    layout->addWidget(summary);
    auto* grid = new QGridLayout;
    addCamera(*grid, 1, tr("Left camera"), left, pixelSize);
    addCamera(*grid, 2, tr("Right camera"), right, pixelSize);
    layout->addLayout(grid);
    auto* explanation = new QLabel(
        tr("The red lines should cross the same features in both pictures.\n"
           "OK sends the rectification to the recorder and stores the settings there at once, "
           "with this date and error (and every other change made so far).\n"
           "Cancel leaves the recorder and its settings as they were."),
        this);
    explanation->setObjectName(QStringLiteral("explanation"));
    explanation->setWordWrap(true);
    layout->addWidget(explanation);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("OK: send and store"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    fitToScreen();
}

// A side-by-side pair is twice a camera's width: scaled down as far as
// needed, the window and its buttons stay on the screen it opens on.
void cStereoResults::fitToScreen()
{
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    if (!screen || m_pair.isNull())
        return;
    const QRect area = screen->availableGeometry();
    // What the window needs besides the picture, with room for its frame.
    constexpr int kFrame = 40;
    const QSize rest = sizeHint() - m_picture->sizeHint();
    const QSize room(area.width() - rest.width() - kFrame, area.height() - rest.height() - kFrame);
    if (room.width() <= 0 || room.height() <= 0)
        return;
    if (m_pair.width() > room.width() || m_pair.height() > room.height())
        m_picture->setPixmap(m_pair.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    adjustSize();
    QRect frame(QPoint(), size().boundedTo(area.size() - QSize(kFrame, kFrame)));
    frame.moveCenter(area.center());
    setGeometry(frame);
}

void cStereoResults::addCamera(QGridLayout& grid, int column, const QString& title,
                               const Camera& camera, int pixelSize)
{
    grid.addWidget(new QLabel(title, this), 0, column);
    int row = 1;
    for (const Row& line : kRows) {
        if (column == 1)
            grid.addWidget(new QLabel(tr(line.label), this), row, 0);
        auto* value = new QLabel(line.text(camera, pixelSize), this);
        value->setObjectName(QStringLiteral("camera%1_row%2").arg(column).arg(row));
        grid.addWidget(value, row, column);
        ++row;
    }
}

QString cStereoResults::focalText(const cv::Mat& matrix, int pixelSize)
{
    const double focal = matrix.at<double>(0, 0) * pixelSize / 1000.0;
    return QString::number(focal, 'g', 3) + QStringLiteral(" mm");
}

QString cStereoResults::principalText(const cv::Mat& matrix)
{
    return QStringLiteral("(%1, %2)").arg(matrix.at<double>(0, 2)).arg(matrix.at<double>(1, 2));
}

QString cStereoResults::radialText(const cv::Mat& distortion)
{
    const cv::Mat d = distortion.reshape(1, 1);
    return QStringLiteral("%1, %2, %3")
        .arg(d.at<double>(0, 0))
        .arg(d.at<double>(0, 1))
        .arg(d.total() > 4 ? d.at<double>(0, 4) : 0.0);
}
