#include "core/render/layoutpicture.h"

#include "core/export/picturename.h"
#include "core/files/checkedsavefile.h"
#include "core/render/layoutpainter.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

namespace torvane {

namespace {
void paintInto(QPainter &painter, const DesignReview &review, QSize size)
{
    const LayoutPainter layoutPainter(review);
    const QRectF canvas(QPointF(0, 0), QSizeF(size));
    layoutPainter.paint(painter, canvas, layoutPainter.fittedView(canvas), {});
}

// Names from a template may hold control characters, which XML 1.0 allows nowhere, not even
// as references; the generator writes them as they are. In UTF-8 each is a byte below 0x20,
// which no longer sequence holds; the non-characters U+FFFE and U+FFFF are EF BF BE and EF BF BF.
QByteArray withoutXmlInvalidCharacters(const QByteArray &svg)
{
    const auto at = [&svg](qsizetype i) {
        return i < svg.size() ? static_cast<unsigned char>(svg[i]) : 0u;
    };
    QByteArray kept;
    kept.reserve(svg.size());
    for (qsizetype i = 0; i < svg.size(); ++i) {
        const unsigned char byte = at(i);
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r')
            continue;
        if (byte == 0xEF && at(i + 1) == 0xBF && (at(i + 2) & 0xFE) == 0xBE) {
            i += 2;
            continue;
        }
        kept.append(svg[i]);
    }
    return kept;
}
} // namespace

torvane::Status writeLayoutPicture(const QString &fileName, const DesignReview &review, QSize size)
{
    if (!isLayoutPictureName(fileName))
        return torvane::failure(QStringLiteral("the name must end in .svg or .png"));
    // Drawn in memory first: the encoders do not report a failed write, the checked save
    // does, and it keeps an older picture then.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (layoutPictureSuffix(fileName) == QLatin1String("svg")) {
        {
            QSvgGenerator generator;
            generator.setOutputDevice(&buffer);
            generator.setSize(size);
            generator.setViewBox(QRect(QPoint(0, 0), size));
            generator.setTitle(QStringLiteral("Spiral layout"));
            QPainter painter(&generator);
            paintInto(painter, review, size);
        }
        bytes = withoutXmlInvalidCharacters(bytes);
    } else {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            paintInto(painter, review, size);
        }
        if (!image.save(&buffer, "PNG"))
            return torvane::failure(QStringLiteral("the PNG encoder failed"));
    }
    return writeWholeFile(fileName, bytes);
}

} // namespace torvane
