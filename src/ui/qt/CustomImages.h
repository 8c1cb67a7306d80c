#pragma once
// The images a distributor names in Custom.xml, decoded. An image that is missing or does not
// decode is simply absent, and the program keeps its own look.
#include <QIcon>
#include <QImage>
#include <QWidget>

namespace kov {

class CCustomization;

struct SCustomImages {
    QImage imgLogo;   // the logo bitmap
    QIcon icoLogo;    // the logo icon, or one made from the logo bitmap
    QImage imgViewer; // loaded and kept ready; nothing draws it yet
    bool HasViewerImage() const { return !imgViewer.isNull(); }
};

SCustomImages LoadCustomImages(const CCustomization& customization);

// Every image a file holds (the sizes of an icon file); an empty icon when none decodes.
QIcon LoadIconFile(const QString& qsPath);

// The About box's picture: the logo bitmap stretched over the whole picture, else the logo
// icon, else the program's own icon.
QWidget* CreateLogoWidget(const SCustomImages& images, const QIcon& icoProgram);

} // namespace kov
