#include "data/ui/data_pages.h"

#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QTableView>

#include "common/ui/info_progress.h"
#include "common/ui/list_fill_apply.h"
#include "common/ui/prompt.h"
#include "common/ui/tminfo_form.h"
#include "data/core/data_reader.h"
#include "data/core/graph_prep.h"
#include "data/core/queue_download.h"
#include "data/core/table_cells.h"
#include "data/core/table_fill.h"
#include "data/ui/graph_export.h"
#include "data/ui/graph_view.h"
#include "data/ui/record_table_model.h"
#include "data/ui/table_export.h"
#include "link/core/comm_port.h"
#include "link/core/pause_lease.h"
#include "link/core/protocol.h"
#include "measure/core/catalogue.h"
#include "measure/ui/session.h"

namespace qx {
namespace {

// Marks the pages as loading for the life of the scope.
class Loading {
  public:
    explicit Loading(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~Loading() { flag_ = was_; }
    Loading(const Loading&) = delete;
    Loading& operator=(const Loading&) = delete;

  private:
    bool& flag_;
    bool was_;
};

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

QComboBox* QuantityList(QWidget* parent, const char* name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setGeometry(70, 8, 180, 22);
    box->setToolTip(
        QStringLiteral("Volba měřené veličiny, která bude zobrazena v tabulce a grafu"));
    box->setEnabled(false);
    return box;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text, const QString& hint,
                    QRect geometry) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setGeometry(geometry);
    return button;
}

}  // namespace

TDataPages::TDataPages(Session& session, QWidget* tableSheet, QWidget* graphSheet)
    : QObject(tableSheet), session_(session), list_(session.Records()) {
    BuildTablePage(tableSheet);
    BuildGraphPage(graphSheet);
    connect(&session, &Session::BusAvailable, MTabReceive, &QPushButton::setEnabled);
    connect(&session, &Session::RoomChanged, this, &TDataPages::UseRoom);
}

void TDataPages::UseRoom(const QSize& extra) {
    const int dx = std::max(0, extra.width());
    const int dy = std::max(0, extra.height());
    // A stretched last column keeps its width when the grid shrinks again: it goes back to the
    // width it had before it was stretched, and stretches anew in the new size.
    MTabGrid->horizontalHeader()->setStretchLastSection(false);
    MTabGrid->setGeometry(4, 40, 290 + dx, 230 + dy);
    MTabGrid->horizontalHeader()->setStretchLastSection(true);
    MTabReceive->move(300 + dx, 8);
    MTabOpen->move(300 + dx, 40);
    MGrPanel->setGeometry(8, 40, 401 + dx, 212 + dy);
    MGrView->setGeometry(2, 2, 394 + dx, 191 + dy);
    MGrScroll->setGeometry(2, 194 + dy, 394 + dx, 13);
    MGrLupaM->move(260 + dx, 8);
    MGrLupaP->move(340 + dx, 8);
}

void TDataPages::BuildTablePage(QWidget* page) {
    // First in the page's focus chain.
    MTabReceive = Button(page, "MTabReceive", QStringLiteral("Načíst z modulu"),
                         QStringLiteral("Načtení záznamů z fronty (datové paměti) QX do tabulky a "
                                        "grafu"),
                         QRect(300, 8, 115, 26));
    MTabReceive->setEnabled(false);
    auto* label = new QLabel(QStringLiteral("Veličina:"), page);
    label->setObjectName("Label8");
    label->setGeometry(8, 10, 60, 20);
    MTabSelect = QuantityList(page, "MTabSelect");
    label->setBuddy(MTabSelect);
    MTabOpen = Button(page, "MTabOpen", QStringLiteral("Načíst ze souboru"),
                      QStringLiteral("Načtení záznamů z vybraného souboru do tabulky a grafu"),
                      QRect(300, 40, 115, 26));
    MTabOpen->setDefault(true);

    MTabGrid = new QTableView(page);
    MTabGrid->setObjectName("MTabGrid");
    MTabGrid->setAccessibleName(QStringLiteral("Naměřené hodnoty"));
    MTabGrid->setGeometry(4, 40, 290, 230);
    MTabGrid->setToolTip(
        QStringLiteral("Databáze naměřených hodnot (zobrazuje vybranou veličinu)"));
    MTabGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    // The six columns are wider than the grid: the user scrolls to the date and the time.
    MTabGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    MTabGrid->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: yellow; border: none;"
                       " border-right: 1px solid gray; border-bottom: 1px solid gray;"
                       " padding: 0 2px; }"));
    // In a larger window the last column takes the room beyond the columns; at the design size
    // they are wider than the grid and keep their widths.
    MTabGrid->horizontalHeader()->setStretchLastSection(true);
    // A fixed row height: sizing rows to their contents would visit every row.
    MTabGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    MTabGrid->verticalHeader()->setDefaultSectionSize(18);
    MTabGrid->verticalHeader()->hide();
    model_ = new RecordTableModel(this);
    MTabGrid->setModel(model_);
    FitColumns();
    // Out to a spreadsheet: the selected rows to the clipboard, the records to a CSV file.
    MTabGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(MTabGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(MTabGrid);
        FillTableMenu(menu);
        menu.exec(MTabGrid->viewport()->mapToGlobal(at));
    });
    auto* copy = new QShortcut(QKeySequence::Copy, MTabGrid);
    copy->setContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QShortcut::activated, this, [this] { MTabCopyClick(); });
    connect(MTabOpen, &QPushButton::clicked, this, [this] { MTabOpenClick(); });
    connect(MTabReceive, &QPushButton::clicked, this, [this] { MTabReceiveClick(); });
    connect(MTabSelect, &QComboBox::activated, this, [this] { MTabSelectChange(); });
}

void TDataPages::FillTableMenu(QMenu& menu) {
    QAction* copy = menu.addAction(QStringLiteral("&Kopírovat"), this, [this] { MTabCopyClick(); });
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(MTabGrid->selectionModel()->hasSelection());
    menu.addSeparator();
    // An item that would write nothing is not offered: the shown quantity's export needs rows
    // in the table, the export of all records a record of any quantity.
    QAction* shown = menu.addAction(QStringLiteral("&Exportovat do CSV…"), this,
                                    [this] { MTabExportClick(quantity_); });
    shown->setEnabled(!loading_ && !model_->Rows().empty());
    QAction* all = menu.addAction(QStringLiteral("Exportovat &všechny záznamy do CSV…"), this,
                                  [this] { MTabExportClick(kAllQuantities); });
    all->setEnabled(!loading_ && !list_.records.empty());
}

void TDataPages::BuildGraphPage(QWidget* page) {
    auto* label = new QLabel(QStringLiteral("Veličina:"), page);
    label->setObjectName("Label1");
    label->setGeometry(8, 10, 60, 20);
    MGrSelect = QuantityList(page, "MGrSelect");
    label->setBuddy(MGrSelect);
    MGrLupaM = Button(page, "MGrLupaM", QStringLiteral("Lupa -"),
                      QStringLiteral("Zmenší rozlišení časové osy"), QRect(260, 8, 70, 26));
    MGrLupaP = Button(page, "MGrLupaP", QStringLiteral("Lupa +"),
                      QStringLiteral("Zvětší rozlišení časové osy"), QRect(340, 8, 70, 26));
    MGrLupaP->setDefault(true);
    MGrLupaM->setEnabled(false);
    MGrLupaP->setEnabled(false);
    MGrPanel = new QFrame(page);
    MGrPanel->setObjectName("MGrPanel");
    MGrPanel->setGeometry(8, 40, 401, 212);
    MGrPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    MGrPanel->setLineWidth(2);
    MGrView = new TGraphView(MGrPanel);
    MGrView->setGeometry(2, 2, 394, 191);
    // The plot follows the view's size: the panel is the view with the scroll bar's band.
    MGrView->SetSource(&graph_, &list_, &quantity_);
    MGrView->SetInteraction(&graph_, &shown_, [this] { ShowGraphState(); });
    connect(MGrView, &TGraphView::ReadOut, this,
            [this](const QString& text) { session_.ShowStatusMessage(text); });
    MGrView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(MGrView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(MGrView);
        menu.addAction(QStringLiteral("&Uložit obrázek…"), this, [this] { MGrSaveClick(); });
        menu.addAction(QStringLiteral("&Tisk…"), this, [this] { MGrPrintClick(); });
        menu.exec(MGrView->mapToGlobal(at));
    });
    MGrScroll = new QScrollBar(Qt::Horizontal, MGrPanel);
    MGrScroll->setObjectName("MGrScroll");
    MGrScroll->setGeometry(2, 194, 394, 13);
    MGrScroll->setToolTip(QStringLiteral("Posun časové osy grafu beze změny rozlišení"));
    MGrScroll->setRange(0, 10000);
    MGrScroll->setPageStep(2);
    MGrScroll->setEnabled(false);
    connect(MGrSelect, &QComboBox::activated, this, [this] { MGrSelectChange(); });
    connect(MGrLupaM, &QPushButton::clicked, this, [this] { MGrLupaMClick(); });
    connect(MGrLupaP, &QPushButton::clicked, this, [this] { MGrLupaPClick(); });
    connect(MGrScroll, &QScrollBar::actionTriggered, this, [this](int a) { MGrScrollScroll(a); });
    connect(MGrScroll, &QScrollBar::sliderReleased, this,
            [this] { MGrScrollScroll(QAbstractSlider::SliderMove + 100); });
}

// Each text whole in the font in use, never narrower than the design widths.
void TDataPages::FitColumns() {
    static constexpr ColumnWidths kDesignWidths{50, 56, 98, 33, 72, 84};
    ColumnWidths minimum = kDesignWidths;
    for (int c = 0; c < kTableColumns; ++c) {
        const auto i = static_cast<std::size_t>(c);
        minimum[i] = std::max(minimum[i], MTabGrid->horizontalHeader()->sectionSizeHint(c));
    }
    const QFontMetrics metrics(MTabGrid->font());
    const int padding =
        2 * (MTabGrid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, MTabGrid) + 1) +
        2;  // the text margins on both sides and the grid line
    const ColumnWidths widths = TableColumnWidths(
        list_.records, model_->Rows(),
        [&metrics](std::string_view text, const Font&) {
            return metrics.horizontalAdvance(
                QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        },
        padding, minimum);
    // The fitted width is the one the last column goes back to in a smaller grid.
    MTabGrid->horizontalHeader()->setStretchLastSection(false);
    for (int c = 0; c < kTableColumns; ++c)
        MTabGrid->setColumnWidth(c, widths[static_cast<std::size_t>(c)]);
    MTabGrid->horizontalHeader()->setStretchLastSection(true);
}

void TDataPages::SetHints(const QString& hint) {
    MTabGrid->setToolTip(hint);
    MGrView->setToolTip(hint);
}

bool TDataPages::ReadFile() {
    Loading loading(loading_);
    InfoProgress progress(session_.Info(), pause_);
    list_.fileName = session_.DataFileName().toStdString();
    const ReadOutcome outcome = ReadDataFile(list_, progress);
    const QString caption = QString::fromUtf8(kReadFileCaption.data(), kReadFileCaption.size());
    if (!outcome.opened) {
        session_.Message(FromUtf8(ReadOpenErrorText(list_.fileName)), caption);
        SetHints(FromUtf8(DataFileHint(list_.fileName, false)));
        return false;
    }
    SetHints(FromUtf8(DataFileHint(list_.fileName, true)));
    if (outcome.outOfSequence > 0) {
        session_.Message(FromUtf8(OutOfSequenceText(outcome.outOfSequence)), caption);
    }
    return true;
}

void TDataPages::TableFillAndGraph() {
    Loading loading(loading_);
    InfoProgress progress(session_.Info(), pause_);
    const TableFillOutcome outcome = TableFill(list_, quantity_, progress);
    shown_ = outcome.shown;
    if (outcome.cancelled) {
        model_->Clear();
    } else {
        model_->Fill(list_, quantity_);
    }
    FitColumns();
    Prepare(true, true);
}

void TDataPages::Prepare(bool recompute, bool reset) {
    PrepareGraph(graph_, list_.records, shown_, recompute, reset);
    ShowGraphState();
    MGrView->update();
}

void TDataPages::ShowGraphState() {
    MGrScroll->setEnabled(graph_.scrollEnabled);
    MGrLupaM->setEnabled(graph_.scrollEnabled);
    MGrLupaP->setEnabled(graph_.zoomInEnabled);
    MGrScroll->setSliderPosition(graph_.scrollPos);
}

void TDataPages::MTabCopyClick() {
    CopySelectedRows(*MTabGrid, *model_, list_);
}

void TDataPages::MTabExportClick(int quantity) {
    if (loading_ || list_.records.empty()) return;
    if (quantity != kAllQuantities && model_->Rows().empty()) return;
    InfoProgress progress(session_.Info(), pause_);
    ExportCsvWithPrompts(&session_.Window(), list_, quantity, session_.DataFileName(), progress);
}

void TDataPages::MGrSaveClick() {
    const QString file = session_.DataFileName();
    SaveGraphWithPrompts(&session_.Window(), MGrView->ExportPicture(MGrView->size(), file),
                         TGraphView::ExportSize(MGrView->size()), file);
}

void TDataPages::MGrPrintClick() {
    PrintGraphWithDialog(&session_.Window(),
                         MGrView->ExportPicture(MGrView->size(), session_.DataFileName()),
                         TGraphView::ExportSize(MGrView->size()));
}

void TDataPages::FillQuantityLists() {
    const ListFill fill = FillQuantity(quantity_, shown_.counts.data());
    ApplyListFill(MTabSelect, fill);
    ApplyListFill(MGrSelect, fill);
}

void TDataPages::MTabOpenClick() {
    if (loading_) return;
    const QString path =
        session_.ChooseFile(DataFileChoice(FileChoice::Mode::Open, session_.DataFileName()));
    if (path.isEmpty()) return;
    session_.SetDataFileName(path);
    if (ReadFile()) {
        quantity_ = 0;
        TableFillAndGraph();
        FillQuantityLists();
        session_.SetCaption(path);
    } else {
        // The emptied list is never shown through the old rows.
        model_->Clear();
        shown_ = ShownRecords{};
        Prepare(true, true);
        session_.SetDataFileName(QString());
        session_.SetCaption(QString());
    }
}

void TDataPages::SelectQuantity(int quantity) {
    if (loading_ || quantity < 0 || quantity == quantity_) return;
    quantity_ = quantity;
    MTabSelect->setCurrentIndex(quantity);
    MGrSelect->setCurrentIndex(quantity);
    TableFillAndGraph();
}

void TDataPages::MTabSelectChange() {
    SelectQuantity(MTabSelect->currentIndex());
}
void TDataPages::MGrSelectChange() {
    SelectQuantity(MGrSelect->currentIndex());
}

void TDataPages::MGrLupaMClick() {
    ZoomOut(graph_, list_.records, shown_);
    Prepare(false, false);
}

void TDataPages::MGrLupaPClick() {
    ZoomIn(graph_, list_.records, shown_);
    Prepare(false, false);
}

void TDataPages::MGrScrollScroll(int action) {
    ScrollCode code = ScrollCode::Other;
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            code = ScrollCode::LineUp;
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            code = ScrollCode::LineDown;
            break;
        case QAbstractSlider::SliderPageStepSub:
            code = ScrollCode::PageUp;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            code = ScrollCode::PageDown;
            break;
        case QAbstractSlider::SliderMove:
            code = ScrollCode::ThumbTrack;
            break;
        case QAbstractSlider::SliderMove + 100:
            code = ScrollCode::ThumbPosition;
            break;
        default:
            break;
    }
    const bool moved =
        ScrollGraph(graph_, list_.records, shown_, code, MGrScroll->sliderPosition());
    // The bar shows the window's position, not where the action would have put it.
    MGrScroll->setSliderPosition(graph_.scrollPos);
    if (!moved) return;
    MGrView->update();
    // The keys that scroll the graph reach it there.
    MGrView->setFocus();
}

void TDataPages::MTabReceiveClick() {
    if (loading_) return;
    // Inside another transaction that lets events through, the bus is not ours to take.
    if (session_.Bus().Busy()) return;
    const QString caption =
        QString::fromUtf8(kReceiveCaption.data(), static_cast<qsizetype>(kReceiveCaption.size()));
    const QString path =
        session_.ChooseFile(DataFileChoice(FileChoice::Mode::Save, session_.DataFileName()));
    if (path.isEmpty()) return;
    session_.SetDataFileName(path);
    const std::string name = path.toStdString();
    if (QFile::exists(path) && !session_.Ask(FromUtf8(OverwriteQuestionText(name)), caption)) {
        return;
    }
    DataFileWriter file;
    if (!file.Create(name)) {
        session_.Message(FromUtf8(CreateErrorText(name)), caption);
        return;
    }
    DownloadResult result;
    std::string linkError;
    {
        PauseLease hold(session_.Link(), &session_.Bus());
        InfoProgress progress(session_.Info(), pause_);
        const Exchange exchange = [this](const char* request, char* reply) {
            return session_.Link().Send(request, reply);
        };
        const int address = session_.SelectedAddress();
        int& resume = resumeToggle_[static_cast<std::size_t>(address & 0xFF)];
        result = DownloadQueue(exchange, address, file, progress, resume);
        resume = result.result != 0 ? result.nextToggle : 0;
        // The text names the link's operation that failed; once the poller runs again, the link's
        // current operation is the poller's.
        if (result.result != 0) linkError = session_.Link().StrError(result.result);
    }
    if (result.result != 0) {
        session_.Message(QString::fromStdString(linkError), caption);
    } else if (result.writeFailed) {
        session_.Message(FromUtf8(WriteErrorText(name)), caption);
    } else if (result.cancelled) {
        // "Storno" hid the log; it is shown again for its last line, what was written and that
        // the rest stays in the module, before the file is read.
        session_.Info().show();
        session_.Info().raise();
        InfoProgress(session_.Info(), pause_).Pause(1500);
    }
    if (ReadFile()) {
        quantity_ = 0;
        TableFillAndGraph();
        FillQuantityLists();
    }
}

}  // namespace qx
