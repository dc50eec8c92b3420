#include "data/ui/graph_export.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QSvgGenerator>

#include "common/ui/dialog_prompt.h"
#include "common/ui/display_painter.h"
#include "data/core/queue_download.h"

namespace qx {
namespace {

struct PictureFilter {
    const char* filter;
    const char* suffix;
    GraphPictureFormat format;
};
constexpr PictureFilter kFilters[] = {
    {"Obrázek PNG (*.png)", "png", GraphPictureFormat::Png},
    {"Obrázek SVG (*.svg)", "svg", GraphPictureFormat::Svg},
    {"Dokument PDF (*.pdf)", "pdf", GraphPictureFormat::Pdf},
};

// The resolution the screen's fonts are measured at. Every picture is drawn at it, so that a text
// of the list's point size has the width the list was laid out for, in pixels of the picture.
int ScreenDpi() {
    return QImage(1, 1, QImage::Format_RGB32).logicalDpiX();
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

bool WritePicture(QSaveFile& file, GraphPictureFormat format, const DisplayList& list, QSize size) {
    switch (format) {
        case GraphPictureFormat::Png:
            return GraphImage(list, size).save(&file, "PNG");
        case GraphPictureFormat::Svg: {
            QSvgGenerator svg;
            svg.setOutputDevice(&file);
            svg.setSize(size);
            svg.setViewBox(QRect(QPoint(0, 0), size));
            svg.setResolution(ScreenDpi());
            svg.setTitle(QStringLiteral("Graf naměřených hodnot"));
            QPainter painter;
            if (!painter.begin(&svg)) return false;
            ReplayGraphPicture(painter, list, size);
            return painter.end();
        }
        case GraphPictureFormat::Pdf: {
            QPdfWriter pdf(&file);
            pdf.setResolution(ScreenDpi());
            pdf.setTitle(QStringLiteral("Graf naměřených hodnot"));
            pdf.setCreator(QStringLiteral("merido"));
            const QSizeF points = QSizeF(size) * 72.0 / ScreenDpi();
            pdf.setPageLayout(QPageLayout(QPageSize(points, QPageSize::Point),
                                          QPageLayout::Portrait, QMarginsF()));
            QPainter painter;
            if (!painter.begin(&pdf)) return false;
            ReplayGraphPicture(painter, list, size);
            return painter.end();
        }
    }
    return false;
}

}  // namespace

void ReplayGraphPicture(QPainter& painter, const DisplayList& list, QSize size) {
    painter.save();
    const QRect area(QPoint(0, 0), size);
    painter.setClipRect(area);
    painter.fillRect(area, Qt::white);
    PaintDisplayList(painter, list);
    painter.restore();
}

QImage GraphImage(const DisplayList& list, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    ReplayGraphPicture(painter, list, size);
    return image;
}

FileChoice GraphPictureChoice(const QString& current) {
    FileChoice choice;
    choice.mode = FileChoice::Mode::Save;
    choice.title = QStringLiteral("Uložit obrázek");
    QStringList filters;
    for (const PictureFilter& f : kFilters)
        filters << QString::fromUtf8(f.filter);
    choice.filter = filters.join(QStringLiteral(";;"));
    const QFileInfo data(current);
    choice.initialPath =
        current.isEmpty() ? QString() : data.dir().filePath(data.completeBaseName() + ".png");
    return choice;
}

GraphPictureFormat GraphPictureFormatOf(QString& path, const QString& filter) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (const PictureFilter& f : kFilters) {
        if (suffix == QLatin1String(f.suffix)) return f.format;
    }
    for (const PictureFilter& f : kFilters) {
        if (filter == QString::fromUtf8(f.filter)) {
            path += QLatin1Char('.') + QLatin1String(f.suffix);
            return f.format;
        }
    }
    path += QStringLiteral(".png");
    return GraphPictureFormat::Png;
}

QString SaveGraphPicture(const QString& path, GraphPictureFormat format, const DisplayList& list,
                         QSize size) {
    const std::string name = path.toStdString();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return Text(CreateErrorText(name));
    // A write that fails only when the buffer is handed over is not noticed by the commit, which
    // would then put the half file in place: the hand-over is checked first.
    if (!WritePicture(file, format, list, size) || !file.flush() ||
        file.error() != QFileDevice::NoError || !file.commit()) {
        file.cancelWriting();
        return Text(WriteErrorText(name));
    }
    return {};
}

bool PrintGraph(QPrinter& printer, const DisplayList& list, QSize size) {
    // At the screen's resolution the list's point sizes and pixels keep their proportions; the
    // scale to the page then enlarges both alike.
    if (size.isEmpty()) return false;
    printer.setResolution(ScreenDpi());
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const double scale = std::min(static_cast<double>(page.width()) / size.width(),
                                  static_cast<double>(page.height()) / size.height());
    painter.scale(scale, scale);
    ReplayGraphPicture(painter, list, size);
    return painter.end();
}

bool SaveGraphWithPrompts(QWidget* parent, const DisplayList& list, QSize size,
                          const QString& dataFile) {
    const QString caption = QString::fromUtf8(kSavePictureCaption);
    QString filter;
    FileChoice choice = GraphPictureChoice(dataFile);
    choice.chosenFilter = &filter;
    QString path = Prompts().ChooseFile(parent, choice);
    if (path.isEmpty()) return false;
    const GraphPictureFormat format = GraphPictureFormatOf(path, filter);
    if (QFile::exists(path) &&
        !Prompts().Ask(parent, Text(OverwriteQuestionText(path.toStdString())), caption)) {
        return false;
    }
    const QString error = SaveGraphPicture(path, format, list, size);
    if (!error.isEmpty()) Prompts().Message(parent, error, caption);
    return error.isEmpty();
}

bool PrintGraphWithDialog(QWidget* parent, const DisplayList& list, QSize size) {
    QPrinter printer;
    printer.setDocName(QStringLiteral("Graf naměřených hodnot"));
    // A graph is wider than high.
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, PromptParent(parent));
    if (dialog.exec() != QDialog::Accepted) return false;
    if (PrintGraph(printer, list, size)) return true;
    Prompts().Message(parent, QStringLiteral("Tisk se nezdařil."),
                      QString::fromUtf8(kPrintCaption));
    return false;
}

}  // namespace qx
