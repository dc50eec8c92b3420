#include "measure/ui/online_page.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <filesystem>

#include "common/core/local_time.h"
#include "common/ui/list_fill_apply.h"
#include "link/core/comm_port.h"
#include "measure/ui/on_view_widget.h"
#include "measure/ui/session.h"

namespace qx {
namespace {

constexpr int kRightColumn = 296;  // x of the lists and the recording buttons at the design size

QPushButton* Button(QWidget* parent, const char* name, const char* caption, const char* hint,
                    const QRect& geometry) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(name);
    button->setToolTip(QString::fromUtf8(hint));
    button->setStatusTip(QString::fromUtf8(hint));
    button->setGeometry(geometry);
    button->setEnabled(false);
    return button;
}

// The lists write the station's configuration byte under the station lock; the poller sends it
// at its next visit.
StationAccess LinkStations(TCommPort& link) {
    return StationAccess{[&link](int a) { return link.Station(a); },
                         [&link](int a, int config, bool clearValue) {
                             link.UpdateStation(a, [&](StationRecord& station) {
                                 station.config = config;
                                 if (clearValue) station.value = kNoValue;
                             });
                         }};
}

// The recording creates the chosen file anew, so the dialog lets the user name a new file; the
// page itself asks before an existing one loses its lines.
RecordingPrompts SessionPrompts(Session& session) {
    return RecordingPrompts{
        [&session] {
            return session
                .ChooseFile(DataFileChoice(FileChoice::Mode::Save, {}, kSaveRecordingTitle))
                .toStdString();
        },
        [&session](const std::string& text, const std::string& caption) {
            session.Message(QString::fromStdString(text), QString::fromStdString(caption));
        },
        [&session](const std::string& text, const std::string& caption) {
            return session.Ask(QString::fromStdString(text), QString::fromStdString(caption));
        }};
}

// A file that holds something: its lines would be lost by a recording that empties it.
bool HoldsData(const std::string& fileName) {
    std::error_code error;
    const auto size = std::filesystem::file_size(fileName, error);
    return !error && size > 0;
}

QComboBox* List(QWidget* parent, const char* name, const char* label, int y) {
    auto* caption = new QLabel(QString::fromUtf8(label), parent);
    caption->setGeometry(kRightColumn, y, 120, 16);
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setGeometry(kRightColumn, y + 16, 125, 24);  // inside the window's 431 pixels
    caption->setBuddy(box);                           // names the list for screen readers
    ApplyListFill(box, ListFill{});
    return box;
}

}  // namespace

OnlinePage::OnlinePage(ModelsInUse* models, StationAccess access, RecordingPrompts prompts,
                       LocalClock clock, QWidget* parent)
    : QWidget(parent),
      models_(models),
      access_(std::move(access)),
      model_(models),
      prompts_(std::move(prompts)),
      recorder_(std::move(clock)) {
    setObjectName("MOnLineSh");
    BuildControls();
    MOnView->SetSource([this] {
        OnViewInput input;
        input.stats = &model_.Stats();
        input.codes = model_.Codes();
        input.value = shown_.value;
        input.sign = shown_.sign;
        input.stationState = shown_.state;
        input.status = StationStatusOf(shown_);
        input.recordingCount = recorder_.LineCount();
        input.portLost = portLost_;
        return input;
    });
}

OnlinePage::OnlinePage(Session& session, QWidget* parent)
    : OnlinePage(&session.Models(), LinkStations(session.Link()), SessionPrompts(session),
                 SystemLocalTime, parent) {
    connect(this, &OnlinePage::CaptionChanged, &session, &Session::SetCaption);
    connect(&session, &Session::RoomChanged, this, &OnlinePage::UseRoom);
    connect(&session, &Session::SettingsApplied, this, [this, &session] {
        SetSelectedAddress(session.SelectedAddress());
        update();
    });
}

void OnlinePage::BuildControls() {
    MOnPanel = new QFrame(this);
    MOnPanel->setObjectName("MOnPanel");
    MOnPanel->setGeometry(8, 8, 273, 196);
    MOnPanel->setAutoFillBackground(true);
    QPalette lime = MOnPanel->palette();
    lime.setColor(QPalette::Window, QColor(0, 255, 0));
    MOnPanel->setPalette(lime);
    MOnView = new TOnView(MOnPanel);
    MOnView->move(1, 2);

    MOnSelect = List(this, "MOnSelect", "Veličina:", 8);
    MOnRange = List(this, "MOnRange", "Rozsah:", 56);
    MOnInput = List(this, "MOnInput", "Vstup:", 104);
    MOnClear = Button(this, "MOnClear", "Start Min, Avg, Max",
                      "Inicializace Min, Avg a Max statistik", QRect(8, 212, 160, 26));
    MOnStart = Button(this, "MOnStart", "Soubor:  Start  >>", "Spustí ukládání dat do souboru",
                      QRect(kRightColumn, 160, 125, 26));
    MOnStop = Button(this, "MOnStop", "Soubor:  Stop  >|", "Ukončí ukládání dat do souboru",
                     QRect(kRightColumn, 192, 125, 26));

    // `activated` fires for the user's choice only, not when the page refills a list.
    connect(MOnSelect, &QComboBox::activated, this, [this] { MOnSelectChange(); });
    connect(MOnRange, &QComboBox::activated, this, [this] { MOnRangeChange(); });
    connect(MOnInput, &QComboBox::activated, this, [this] { MOnRangeChange(); });
    connect(MOnClear, &QPushButton::clicked, this, [this] { MOnClearClick(); });
    connect(MOnStart, &QPushButton::clicked, this, [this] { MOnStartClick(); });
    connect(MOnStop, &QPushButton::clicked, this, [this] { MOnStopClick(); });
}

void OnlinePage::UseRoom(const QSize& extra) {
    const int dx = std::max(0, extra.width());
    const int dy = std::max(0, extra.height());
    MOnPanel->setGeometry(8, 8, 273 + dx, 196 + dy);
    MOnView->resize(OnViewLayout::kDesignWidth + dx, OnViewLayout::kDesignHeight + dy);
    // Everything but the panel and the statistics button stands in the right-hand column.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != MOnPanel && child != MOnClear) child->move(kRightColumn + dx, child->y());
    }
    MOnClear->move(MOnClear->x(), 212 + dy);
}

StationRecord OnlinePage::SelectedStation() const {
    const int address = model_.SelectedAddress();
    return address >= 0 ? access_.read(address) : StationRecord{};
}

void OnlinePage::SetPortLost(const std::string& device) {
    if (device == portLost_) return;
    portLost_ = device;
    // The value read before the loss is not shown again once the port is back: the next one is.
    if (!device.empty()) shown_.value = kNoValue;
    MOnView->setToolTip(device.empty() ? QString()
                                       : QString::fromStdString(LostPortStatusText(device)));
    MOnView->update();
}

void OnlinePage::SetSelectedAddress(int address) {
    model_.SetSelectedAddress(address);
    shown_ = SelectedStation();
    MOnView->update();
}

void OnlinePage::ShowStatus(int address, const StationRecord& station) {
    if (!model_.IsSelected(address)) return;
    // A station identified again still holds the value read before it went silent; the view
    // waits for the next one.
    const bool identifiedAgain = station.state == 2 && shown_.state != 2;
    shown_ = station;
    if (identifiedAgain) shown_.value = kNoValue;
    AdoptModels(station, models_);
    MOnView->update();
}

StationEnables OnlinePage::StationChanged(int address) {
    const StationRecord station = access_.read(address);
    const StationEnables enables = OnlineModel::EnablesFor(station);
    MOnClear->setEnabled(enables.clear);
    if (!Recording()) MOnStart->setEnabled(enables.start);
    ShowStatus(address, station);
    emit InputSetChanged();
    ApplyListFill(MOnInput, model_.InputList());
    if (model_.IsSelected(address)) {
        emit SetupStatusChanged(
            QString::fromStdString(SetupStatusCaption(StationStatusOf(station))));
    }
    return enables;
}

void OnlinePage::ValueArrived(int address, int tenths) {
    const StationRecord station = access_.read(address);
    if (model_.OnValue(address, station) &&
        recorder_.WriteRecord(address, tenths, station) == Recorder::Step::Failed) {
        // Stop at the first line that cannot be written (disk full, file gone): the lines
        // before it stay, and the user hears of it once.
        prompts_.warn("Chyba zápisu do souboru " + recordingFileName_ + " ! Ukládání ukončeno.",
                      "TMForm::WriteRecord()");
        MOnStopClick();
    }
    ShowStatus(address, station);
    // The status line counts the recorded lines even while another station is shown.
    MOnView->update();
}

void OnlinePage::ConfigKnown(int address) {
    StationRecord station = access_.read(address);
    const std::optional<int> replacement = model_.OnConfigKnown(address, station);
    if (!model_.IsSelected(address)) return;
    if (replacement) {
        access_.writeConfig(address, *replacement, false);
        station.config = *replacement;
    }
    shown_ = station;
    FillLists(station.instrumentModel);
    emit InputSetChanged();
    MOnView->update();
}

void OnlinePage::FillLists(int instrumentModel) {
    ApplyListFill(MOnSelect, model_.QuantityList());
    ApplyListFill(MOnRange, model_.RangeList(instrumentModel));
    ApplyListFill(MOnInput, model_.InputList());
}

void OnlinePage::MOnSelectChange() {
    const StationRecord station = SelectedStation();
    const std::optional<int> config =
        model_.OnSelectChange(MOnSelect->currentIndex(), MOnRange->currentIndex(),
                              MOnInput->currentIndex(), station.instrumentModel);
    if (!config) return;
    FillLists(station.instrumentModel);
    // No station is written while no address is selected.
    if (model_.SelectedAddress() >= 0) access_.writeConfig(model_.SelectedAddress(), *config, true);
    shown_ = SelectedStation();
    emit InputSetChanged();
    MOnView->update();
}

void OnlinePage::MOnRangeChange() {
    const StationRecord station = SelectedStation();
    emit SetupStatusChanged(QString::fromStdString(SetupStatusCaption(StationStatusOf(station))));
    AdoptModels(station, models_);
    const std::optional<int> config = model_.OnRangeChange(
        MOnSelect->currentIndex(), MOnRange->currentIndex(), MOnInput->currentIndex());
    if (!config) return;
    if (model_.SelectedAddress() >= 0)
        access_.writeConfig(model_.SelectedAddress(), *config, false);
    MOnView->update();
}

void OnlinePage::MOnStartClick() {
    if (Recording()) return;
    const std::string fileName = prompts_.chooseFile();
    if (fileName.empty()) return;
    // A recording empties its file: a day's lines go only with the user's say.
    if (HoldsData(fileName) &&
        !prompts_.ask(OverwriteQuestionText(fileName), std::string(kStartCaption))) {
        return;
    }
    recordingFileName_ = fileName;
    // A file that cannot be created still leaves the page recording (without lines) until the
    // user stops it.
    if (!recorder_.OpenFile(fileName)) {
        prompts_.warn(RecordingOpenErrorText(fileName), std::string(kOpenFileCaption));
    }
    emit CaptionChanged(QString::fromStdString(recordingFileName_));
    MOnStart->setEnabled(false);
    MOnStop->setEnabled(true);
    MOnView->update();
}

void OnlinePage::MOnStopClick() {
    if (!Recording()) return;
    recorder_.CloseFile();
    recordingFileName_.clear();
    emit CaptionChanged(QString());
    MOnStart->setEnabled(SelectedStation().state == 2);
    MOnStop->setEnabled(false);
    MOnView->update();
}

void OnlinePage::MOnClearClick() {
    model_.OnClear();
    MOnView->update();
}

}  // namespace qx
