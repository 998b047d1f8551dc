#include "thumbnailer/kio/drawing_thumbnail_creator.h"

#include <KPluginFactory>
#include <QFile>
#include <QImage>
#include <QUrl>

#include <algorithm>
#include <cstring>

#include "thumbnailer/kio/plugin_picture.h"

K_PLUGIN_CLASS_WITH_JSON(DrawingThumbnailCreator, "pictrovethumbnail.json")

DrawingThumbnailCreator::DrawingThumbnailCreator(QObject* parent, const QVariantList& args)
    : KIO::ThumbnailCreator(parent, args) {}

KIO::ThumbnailResult DrawingThumbnailCreator::create(const KIO::ThumbnailRequest& request) {
  // Remote drawings reach the worker as local copies.
  const QUrl url = request.url();
  const QSize size = request.targetSize();
  if (!url.isLocalFile() || size.width() <= 0 || size.height() <= 0)
    return KIO::ThumbnailResult::fail();
  const auto box = static_cast<std::uint32_t>(std::min(size.width(), size.height()));
  // The name's own bytes, whatever their encoding.
  const QByteArray path = QFile::encodeName(url.toLocalFile());

  pictrove::ThumbnailPicture picture;
  if (!pictrove::kio::MakePluginPicture(path.toStdString(), box, picture))
    return KIO::ThumbnailResult::fail();
  // The sides are at most the box, which the core bounds.
  const int width = static_cast<int>(picture.width());
  const int height = static_cast<int>(picture.height());
  QImage image(width, height, QImage::Format_RGB888);
  if (image.isNull()) return KIO::ThumbnailResult::fail();
  for (int y = 0; y < height; ++y)
    std::memcpy(image.scanLine(y), picture.at(0, static_cast<std::uint32_t>(y)),
                static_cast<std::size_t>(width) * 3);
  return KIO::ThumbnailResult::pass(image);
}

#include "drawing_thumbnail_creator.moc"
