// A chart saved as a picture with a caption under it (what was measured, when, by which
// program), as PNG or SVG by the file's suffix.  The file appears whole or not at all
// (QSaveFile).  GUI thread only.
#pragma once

#include <QString>

class QChartView;

// False with `error` set when the file could not be written.
bool SaveChartFile(QChartView* view, const QString& path, const QString& caption, QString& error);
