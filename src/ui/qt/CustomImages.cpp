#include "ui/qt/CustomImages.h"

#include <QImageReader>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

#include "document/Customization.h"
#include "ui/qt/QtText.h"

namespace kov {

namespace {

constexpr int kLogoHeight = 80;
// Icon files hold a handful of sizes; a broken one must not keep the reader going.
constexpr int kMaxIconImages = 32;

QImage LoadImageFile(const SCustomImageFile& file)
{
    if (!file.bGiven) {
        return {};
    }
    QImageReader reader(ToQString(file.wszPath));
    reader.setDecideFormatFromContent(true);
    return reader.read();
}

class CLogoWidget final : public QWidget {
public:
    CLogoWidget(QImage imgLogo, QIcon icoLogo) : m_imgLogo(std::move(imgLogo)), m_icoLogo(std::move(icoLogo))
    {
        int iWidth = kLogoHeight;
        if (!m_imgLogo.isNull() && m_imgLogo.height() > 0) {
            // The picture takes the logo's proportions, so stretching it over the picture keeps
            // its shape within sensible bounds.
            iWidth = std::clamp(kLogoHeight * m_imgLogo.width() / m_imgLogo.height(), kLogoHeight / 2,
                                kLogoHeight * 3);
        }
        setFixedSize(iWidth, kLogoHeight);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        if (!m_imgLogo.isNull()) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(rect(), m_imgLogo);
        } else {
            m_icoLogo.paint(&painter, rect());
        }
    }

private:
    QImage m_imgLogo;
    QIcon m_icoLogo;
};

} // namespace

QIcon LoadIconFile(const QString& qsPath)
{
    QImageReader reader(qsPath);
    reader.setDecideFormatFromContent(true);
    QIcon icon;
    for (int i = 0; i < kMaxIconImages; ++i) {
        const QImage image = reader.read();
        if (!image.isNull()) {
            icon.addPixmap(QPixmap::fromImage(image));
        }
        if (!reader.jumpToNextImage()) {
            break;
        }
    }
    return icon;
}

SCustomImages LoadCustomImages(const CCustomization& customization)
{
    SCustomImages images;
    if (!customization.IsLoaded()) {
        return images;
    }
    images.imgLogo = LoadImageFile(customization.LogoImage());
    if (customization.LogoIcon().bGiven) {
        images.icoLogo = LoadIconFile(ToQString(customization.LogoIcon().wszPath));
    } else if (!images.imgLogo.isNull()) {
        // Without an icon of its own the logo is the icon, fully opaque.
        images.icoLogo = QIcon(QPixmap::fromImage(images.imgLogo.convertToFormat(QImage::Format_RGB32)));
    }
    images.imgViewer = LoadImageFile(customization.ViewerImage());
    return images;
}

QWidget* CreateLogoWidget(const SCustomImages& images, const QIcon& icoProgram)
{
    return new CLogoWidget(images.imgLogo, images.icoLogo.isNull() ? icoProgram : images.icoLogo);
}

} // namespace kov
