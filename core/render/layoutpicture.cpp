#include "core/render/layoutpicture.h"

#include "core/render/layoutpainter.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

namespace {
QString suffixOf(const QString &fileName)
{
    return QFileInfo(fileName).suffix().toLower();
}

void paintInto(QPainter &painter, const DesignReview &review, QSize size)
{
    const LayoutPainter layoutPainter(review);
    const QRectF canvas(QPointF(0, 0), QSizeF(size));
    layoutPainter.paint(painter, canvas, layoutPainter.fittedView(canvas), {});
}

int fail(QString *errorText, const QString &reason)
{
    if (errorText)
        *errorText = reason;
    return 1;
}
} // namespace

bool isLayoutPictureName(const QString &fileName)
{
    const QString suffix = suffixOf(fileName);
    return suffix == QLatin1String("svg") || suffix == QLatin1String("png");
}

int writeLayoutPicture(const QString &fileName, const DesignReview &review, QSize size,
                       QString *errorText)
{
    if (!isLayoutPictureName(fileName))
        return fail(errorText, QStringLiteral("the name must end in .svg or .png"));
    // Through a temporary file, so that a failed write keeps an older picture.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return fail(errorText, file.errorString());
    if (suffixOf(fileName) == QLatin1String("svg")) {
        QSvgGenerator generator;
        generator.setOutputDevice(&file);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setTitle(QStringLiteral("Spiral layout"));
        QPainter painter(&generator);
        paintInto(painter, review, size);
    } else {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            paintInto(painter, review, size);
        }
        if (!image.save(&file, "PNG"))
            return fail(errorText, QStringLiteral("the PNG encoder failed"));
    }
    if (!file.commit())
        return fail(errorText, file.errorString());
    return 0;
}
