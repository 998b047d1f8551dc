// The thumbnail creator that KIO's thumbnail worker loads for DWG and DXF
// drawings: a drawing's preview through the core, as the thumbnailer
// program makes it, in process.
#pragma once

#include <KIO/ThumbnailCreator>

class DrawingThumbnailCreator : public KIO::ThumbnailCreator {
  Q_OBJECT
 public:
  DrawingThumbnailCreator(QObject* parent, const QVariantList& args);

  // The request's size already holds the device pixel ratio. The picture is
  // fitted into the smaller of its width and height (the worker asks for a
  // square), never enlarged.
  KIO::ThumbnailResult create(const KIO::ThumbnailRequest& request) override;
};
