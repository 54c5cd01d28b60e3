#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <optional>

namespace lumivast {

// One held preview. It is kept as its compressed file data (a 1280-pixel
// picture takes about a tenth of its decoded size) and decoded when it is
// drawn, at the size it is drawn; a picture that could not be compressed is
// kept as it is. Copies share the data.
class PreviewImage {
public:
    PreviewImage() = default;
    // Data in any format the image readers know; none when it is not an image.
    static std::optional<PreviewImage> fromData(QByteArray data);
    static PreviewImage fromImage(QImage image) { return PreviewImage(std::move(image)); }

    bool isNull() const { return m_size.isEmpty(); }
    // The picture's size in pixels.
    QSize size() const { return m_size; }
    // The compressed data; empty when the picture is held decoded.
    const QByteArray& data() const { return m_data; }
    // The picture, scaled down to fit within `bounds` (aspect ratio kept) when
    // they are given and smaller; a null image when the data no longer decodes.
    QImage image(QSize bounds = {}) const;

    bool operator==(const PreviewImage& other) const
    {
        return m_size == other.m_size && m_data == other.m_data && m_image == other.m_image;
    }

private:
    PreviewImage(QByteArray data, QSize size) : m_data(std::move(data)), m_size(size) {}
    explicit PreviewImage(QImage image) : m_size(image.size()), m_image(std::move(image)) {}

    QByteArray m_data;
    QSize m_size;
    QImage m_image;
};

} // namespace lumivast
