#include "charts/chartpicture.h"

#include "core/export/picturename.h"
#include "core/files/checkedsavefile.h"

#include <QBuffer>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

using namespace torvane;

namespace {
void paintScene(QGraphicsScene &scene, QPaintDevice &device, QSize size)
{
    QPainter painter(&device);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)),
                 QRectF(QPointF(0, 0), QSizeF(size)));
}
} // namespace

torvane::Status writeChartPicture(const QString &fileName, QChart &chart, QSize size)
{
    if (!isLayoutPictureName(fileName))
        return torvane::failure(QStringLiteral("the name must end in .svg or .png"));
    QGraphicsScene scene;
    scene.addItem(&chart);
    chart.setGeometry(QRectF(QPointF(0, 0), QSizeF(size)));
    if (chart.layout())
        chart.layout()->activate();
    scene.setSceneRect(QRectF(QPointF(0, 0), QSizeF(size)));
    // Drawn in memory first: the encoders do not report a failed write, the checked save does.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bool encoded = true;
    if (layoutPictureSuffix(fileName) == QLatin1String("svg")) {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setTitle(QStringLiteral("L and Q against frequency"));
        paintScene(scene, generator, size);
    } else {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        paintScene(scene, image, size);
        encoded = image.save(&buffer, "PNG");
    }
    // The chart is the caller's, not the scene's.
    scene.removeItem(&chart);
    if (!encoded)
        return torvane::failure(QStringLiteral("the PNG encoder failed"));
    return writeWholeFile(fileName, bytes);
}
