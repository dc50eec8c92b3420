#pragma once
// What the pages of the main window share: the link with its bus-busy count and notification
// sink, the models in use, the settings, the progress dialog, the prompts with the window as
// their parent, the working directory, the data file name, the record list, and the Setup
// page's choices that other pages act on. Every page takes the session and listens to its
// signals; no page reaches another page's widgets or the main window.
//
// It lives here rather than in common/ because the models in use come from the catalogue of
// quantities; every page sits at this layer or above it.

#include <QObject>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>

#include "common/core/data_record.h"
#include "common/ui/posting_sink.h"
#include "common/ui/prompt.h"
#include "link/core/bus_busy.h"
#include "link/core/port_paths.h"
#include "link/core/serial_ports.h"
#include "measure/core/models_in_use.h"

class QWidget;

namespace qx {

class SettingsStore;
class TCommPort;
class TMInfoForm;

class Session : public QObject {
    Q_OBJECT

  public:
    // `window` receives the poller's notifications as posted events and parents the dialogs;
    // it outlives the session's use.
    Session(TCommPort& link, QWidget& window);
    ~Session() override;

    TCommPort& Link() { return link_; }
    BusBusy& Bus() { return bus_; }
    PostingSink& Sink() { return sink_; }
    // The instrument and module of the station in use: the On-line and Schedule pages offer
    // the inputs they allow.
    ModelsInUse& Models() { return models_; }
    // The shared progress and log dialog of every long operation.
    TMInfoForm& Info() { return *info_; }
    QWidget& Window() { return window_; }
    // The records of the current data file, drawn by the Table and Graph pages.
    RecordList& Records() { return records_; }

    // Opens the settings store (writing the defaults it lacks); until then there is none. With
    // no COM mapping stored yet, `firstStart` gives the one to store.
    void OpenSettings(const std::function<FirstPortMap()>& firstStart = {});
    SettingsStore& Settings() { return *settings_; }
    // The COM mapping the user chose: stored in the settings, given to the link for its next
    // opening and announced to the pages that show it (PortMapChanged).
    void ApplyPortMap(const PortPaths& paths);

    // Dialogs over the main window, through the prompt seam.
    void Message(const QString& text, const QString& caption);
    bool Ask(const QString& text, const QString& caption);
    QString ChooseFile(const FileChoice& choice);

    // The process's folder at start, without a trailing separator: pages build file names in it.
    const QString& WorkingDirectory() const { return workingDirectory_; }
    void SetWorkingDirectory(const QString& directory);
    // The data file the Table and Graph pages show; empty when none.
    const QString& DataFileName() const { return dataFileName_; }
    void SetDataFileName(const QString& name) { dataFileName_ = name; }

    // The address the pages work with: -1 until the Setup page's first successful Use.
    int SelectedAddress() const { return selectedAddress_; }
    void SetSelectedAddress(int address) { selectedAddress_ = address; }
    // The Setup page's address text as it stands, applied or not (the Schedule page's send and
    // check read it).
    const QString& AddressText() const { return addressText_; }
    void SetAddressText(const QString& text) { addressText_ = text; }

    // Whether a module answers on the bus: the buttons that talk to it follow.
    void SetBusAvailable(bool available) { emit BusAvailable(available); }
    void SetCaption(const QString& text) { emit CaptionRequested(text); }
    void ShowStatusMessage(const QString& text, int timeoutMs = 0) {
        emit StatusMessage(text, timeoutMs);
    }

  signals:
    void BusAvailable(bool available);
    // The poller's notifications, after the main window's own handling, with the poller held
    // before its next step. `timeOfDay` in tenths of a second since midnight.
    void StationChanged(int address);
    void ValueRead(int address, int timeOfDay);
    void ConfigKnown(int address);
    // The Setup page applied (or probed) the settings: the selected address may be new.
    void SettingsApplied();
    // A new COM mapping has been applied.
    void PortMapChanged(const PortPaths& paths);
    // The window caption: a file name, or the program banner when empty.
    void CaptionRequested(const QString& text);
    void StatusMessage(const QString& text, int timeoutMs);
    // The main window is larger than its design size by `extra`: the pages that can use the
    // room lay themselves out again (at the design size the room is none).
    void RoomChanged(const QSize& extra);
    // The main window is going away: the settings are saved and the link is still open.
    void Closing();

  private:
    TCommPort& link_;
    QWidget& window_;
    BusBusy bus_;
    PostingSink sink_;
    ModelsInUse models_;
    std::unique_ptr<TMInfoForm> info_;
    std::unique_ptr<SettingsStore> settings_;
    RecordList records_;
    QString workingDirectory_;
    QString dataFileName_;
    QString addressText_;
    int selectedAddress_ = -1;
};

}  // namespace qx
