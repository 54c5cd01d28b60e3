#include "Core/Previews/PreviewImage.h"

#include <QBuffer>
#include <QImageReader>

namespace lumivast {

std::optional<PreviewImage> PreviewImage::fromData(QByteArray data)
{
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return std::nullopt;
    QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return std::nullopt;
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        size.transpose();
    buffer.close();
    return PreviewImage(std::move(data), size);
}

QImage PreviewImage::image(QSize bounds) const
{
    const bool shrink = bounds.isValid() && !bounds.isEmpty()
                        && (bounds.width() < m_size.width() || bounds.height() < m_size.height());
    const QSize target = shrink ? m_size.scaled(bounds, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)) : m_size;
    if (m_data.isEmpty()) {
        if (!shrink || m_image.isNull())
            return m_image;
        return m_image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QByteArray data = m_data; // shared, not copied
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    // JPEG decodes straight to a fraction of its size, far faster than a full decode.
    if (shrink) {
        QSize decodeSize = target;
        if (reader.transformation() & QImageIOHandler::TransformationRotate90)
            decodeSize.transpose();
        reader.setScaledSize(decodeSize);
    }
    return reader.read();
}

} // namespace lumivast
