#include "data/ui/data_view.h"

#include <QComboBox>

#include "common/ui/info_progress.h"
#include "common/ui/list_fill_apply.h"
#include "common/ui/tminfo_form.h"
#include "data/core/data_reader.h"
#include "data/core/graph_prep.h"
#include "data/core/table_fill.h"
#include "measure/core/catalogue.h"
#include "measure/ui/session.h"

namespace qx {
namespace {

// Marks the view as loading for the life of the scope.
class LoadingScope {
  public:
    explicit LoadingScope(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~LoadingScope() { flag_ = was_; }
    LoadingScope(const LoadingScope&) = delete;
    LoadingScope& operator=(const LoadingScope&) = delete;

  private:
    bool& flag_;
    bool was_;
};

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

DataView::DataView(Session& session, QObject* parent)
    : QObject(parent), session_(session), list_(session.Records()) {}

QComboBox* DataView::AddQuantityList(QWidget* page, const char* name) {
    auto* box = new QComboBox(page);
    box->setObjectName(name);
    box->setGeometry(70, 8, 180, 22);
    box->setToolTip(
        QStringLiteral("Volba měřené veličiny, která bude zobrazena v tabulce a grafu"));
    box->setEnabled(false);
    quantityLists_.push_back(box);
    return box;
}

bool DataView::ReadFile() {
    LoadingScope loading(loading_);
    InfoProgress progress(session_.Info(), pause_);
    list_.fileName = session_.DataFileName().toStdString();
    const ReadOutcome outcome = ReadDataFile(list_, progress);
    const QString caption = QString::fromUtf8(kReadFileCaption.data(), kReadFileCaption.size());
    if (!outcome.opened) {
        session_.Message(FromUtf8(ReadOpenErrorText(list_.fileName)), caption);
        emit HintChanged(FromUtf8(DataFileHint(list_.fileName, false)));
        return false;
    }
    emit HintChanged(FromUtf8(DataFileHint(list_.fileName, true)));
    if (outcome.outOfSequence > 0) {
        session_.Message(FromUtf8(OutOfSequenceText(outcome.outOfSequence)), caption);
    }
    return true;
}

void DataView::ShowRead() {
    quantity_ = 0;
    TableFillAndGraph();
    FillQuantityLists();
}

void DataView::ShowNothing() {
    emit RowsCleared();
    shown_ = ShownRecords{};
    Prepare(true, true);
}

void DataView::TableFillAndGraph() {
    LoadingScope loading(loading_);
    InfoProgress progress(session_.Info(), pause_);
    const TableFillOutcome outcome = TableFill(list_, quantity_, progress);
    shown_ = outcome.shown;
    emit RowsFilled(outcome.cancelled);
    Prepare(true, true);
}

void DataView::Prepare(bool recompute, bool reset) {
    PrepareGraph(graph_, list_.records, shown_, recompute, reset);
    emit GraphChanged();
}

void DataView::FillQuantityLists() {
    const ListFill fill = FillQuantity(quantity_, shown_.counts.data());
    for (QComboBox* box : quantityLists_)
        ApplyListFill(box, fill);
}

void DataView::SelectQuantity(int quantity) {
    if (loading_ || quantity < 0 || quantity == quantity_) return;
    quantity_ = quantity;
    for (QComboBox* box : quantityLists_)
        box->setCurrentIndex(quantity);
    TableFillAndGraph();
}

}  // namespace qx
