#include "data/ui/table_page.h"

#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTableView>

#include "common/ui/info_progress.h"
#include "common/ui/named_button.h"
#include "common/ui/prompt.h"
#include "common/ui/tminfo_form.h"
#include "data/core/data_reader.h"
#include "data/core/queue_download.h"
#include "data/core/table_cells.h"
#include "data/ui/data_view.h"
#include "data/ui/record_table_model.h"
#include "data/ui/table_export.h"
#include "link/core/comm_port.h"
#include "link/core/pause_lease.h"
#include "link/core/protocol.h"
#include "measure/ui/session.h"

namespace qx {
namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

TablePage::TablePage(Session& session, DataView& view, QWidget* parent)
    : QWidget(parent), session_(session), view_(view) {
    setObjectName(QStringLiteral("MTableSh"));
    BuildControls();
    connect(&session, &Session::BusAvailable, MTabReceive, &QPushButton::setEnabled);
    connect(&session, &Session::RoomChanged, this, &TablePage::UseRoom);
    connect(&view, &DataView::RowsFilled, this, &TablePage::FillRows);
    connect(&view, &DataView::RowsCleared, this, [this] { model_->Clear(); });
    connect(&view, &DataView::HintChanged, MTabGrid, &QWidget::setToolTip);
}

void TablePage::UseRoom(const QSize& extra) {
    const int dx = std::max(0, extra.width());
    const int dy = std::max(0, extra.height());
    // A stretched last column keeps its width when the grid shrinks again: it goes back to the
    // width it had before it was stretched, and stretches anew in the new size.
    MTabGrid->horizontalHeader()->setStretchLastSection(false);
    MTabGrid->setGeometry(4, 40, 290 + dx, 230 + dy);
    MTabGrid->horizontalHeader()->setStretchLastSection(true);
    MTabReceive->move(300 + dx, 8);
    MTabOpen->move(300 + dx, 40);
}

void TablePage::BuildControls() {
    // First in the page's focus chain.
    MTabReceive =
        NamedButton(this, "MTabReceive", QStringLiteral("Načíst z modulu"),
                    QStringLiteral("Načtení záznamů z fronty (datové paměti) QX do tabulky a "
                                   "grafu"),
                    QRect(300, 8, 115, 26));
    MTabReceive->setEnabled(false);
    auto* label = new QLabel(QStringLiteral("Veličina:"), this);
    label->setObjectName("Label8");
    label->setGeometry(8, 10, 60, 20);
    MTabSelect = view_.AddQuantityList(this, "MTabSelect");
    label->setBuddy(MTabSelect);
    MTabOpen = NamedButton(this, "MTabOpen", QStringLiteral("Načíst ze souboru"),
                           QStringLiteral("Načtení záznamů z vybraného souboru do tabulky a grafu"),
                           QRect(300, 40, 115, 26));
    MTabOpen->setDefault(true);

    MTabGrid = new QTableView(this);
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

void TablePage::FillTableMenu(QMenu& menu) {
    QAction* copy = menu.addAction(QStringLiteral("&Kopírovat"), this, [this] { MTabCopyClick(); });
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(MTabGrid->selectionModel()->hasSelection());
    menu.addSeparator();
    // An item that would write nothing is not offered: the shown quantity's export needs rows
    // in the table, the export of all records a record of any quantity.
    QAction* shown = menu.addAction(QStringLiteral("&Exportovat do CSV…"), this,
                                    [this] { MTabExportClick(view_.SelectedQuantity()); });
    shown->setEnabled(!view_.Loading() && !model_->Rows().Count() == 0);
    QAction* all = menu.addAction(QStringLiteral("Exportovat &všechny záznamy do CSV…"), this,
                                  [this] { MTabExportClick(kAllQuantities); });
    all->setEnabled(!view_.Loading() && !view_.Records().records.empty());
}

void TablePage::FillRows(bool cancelled) {
    if (cancelled) {
        model_->Clear();
    } else {
        model_->Fill(view_.Records(), view_.SelectedQuantity());
    }
    FitColumns();
}

// Each text whole in the font in use, never narrower than the design widths.
void TablePage::FitColumns() {
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
        view_.Records().records, model_->Rows(),
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

void TablePage::MTabCopyClick() {
    CopySelectedRows(*MTabGrid, *model_, view_.Records());
}

void TablePage::MTabExportClick(int quantity) {
    const RecordList& list = view_.Records();
    if (view_.Loading() || list.records.empty()) return;
    if (quantity != kAllQuantities && model_->Rows().Count() == 0) return;
    InfoProgress progress(session_.Info(), view_.Pause());
    ExportCsvWithPrompts(&session_.Window(), list, quantity, session_.DataFileName(), progress);
}

void TablePage::MTabOpenClick() {
    if (view_.Loading()) return;
    const QString path =
        session_.ChooseFile(DataFileChoice(FileChoice::Mode::Open, session_.DataFileName()));
    if (path.isEmpty()) return;
    session_.SetDataFileName(path);
    if (view_.ReadFile()) {
        view_.ShowRead();
        session_.SetCaption(path);
    } else {
        view_.ShowNothing();
        session_.SetDataFileName(QString());
        session_.SetCaption(QString());
    }
}

void TablePage::MTabSelectChange() {
    view_.SelectQuantity(MTabSelect->currentIndex());
}

void TablePage::MTabReceiveClick() {
    if (view_.Loading()) return;
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
        InfoProgress progress(session_.Info(), view_.Pause());
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
        InfoProgress(session_.Info(), view_.Pause()).Pause(1500);
    }
    if (view_.ReadFile()) view_.ShowRead();
}

}  // namespace qx
