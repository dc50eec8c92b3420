#pragma once
// The graph as a picture for a report: a display list (the one the view paints, under the
// heading the view builds for saving and printing) replayed into a PNG image, an SVG drawing, a
// one-page PDF or a printer's page. Every one of them is drawn by the same replay, so the
// picture is what the screen shows at that size.

#include <QImage>
#include <QSize>
#include <QString>

#include "common/core/display_list.h"
#include "common/ui/prompt.h"

class QPainter;
class QPrinter;
class QWidget;

namespace qx {

enum class GraphPictureFormat { Png, Svg, Pdf };

// Paints the picture of `size` as the view does: white ground, the list, nothing outside.
void ReplayGraphPicture(QPainter& painter, const DisplayList& list, QSize size);

// The list replayed into an image of `size`.
QImage GraphImage(const DisplayList& list, QSize size);

// The choice of the file for "Uložit obrázek…": PNG, SVG or PDF by the filter, starting beside
// `current` (the data file).
FileChoice GraphPictureChoice(const QString& current);
// The format of a chosen file: by its suffix, else by the filter the user left selected (the
// suffix of that filter is then added to `path`).
GraphPictureFormat GraphPictureFormatOf(QString& path, const QString& filter);

// Writes the picture of `size` to `path`. The file is written under a temporary name and takes the
// place of `path` only when whole, so a failure leaves an old file of that name as it was.
// Returns an empty text, or the message for the user.
QString SaveGraphPicture(const QString& path, GraphPictureFormat format, const DisplayList& list,
                         QSize size);

// "Uložit obrázek…": asks for the file (the filter or the suffix gives the format), asks before an
// existing one is replaced, saves the picture of `size` and shows a failure. True when saved.
bool SaveGraphWithPrompts(QWidget* parent, const DisplayList& list, QSize size,
                          const QString& dataFile);
// "Tisk…": the system's print dialog (which also prints to a PDF file), then one page. True when
// printed.
bool PrintGraphWithDialog(QWidget* parent, const DisplayList& list, QSize size);

inline constexpr const char* kSavePictureCaption = "TMForm::MGrSaveClick()";
inline constexpr const char* kPrintCaption = "TMForm::MGrPrintClick()";

// One page on `printer` (set up by the print dialog): the picture of `size`, scaled to fit the
// page's printable area with its proportions kept. False when the printer could not be started.
bool PrintGraph(QPrinter& printer, const DisplayList& list, QSize size);

}  // namespace qx
