#pragma once
// The Schedule page's editing part: the eight-index schedule shown one index at a time, the two
// schedule-wide check boxes, the schedule file at start and exit, and the three module
// operations run through the logger core.

#include <QString>
#include <QWidget>
#include <initializer_list>

#include "logger/core/schedule.h"
#include "logger/core/transaction_result.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace qx {

class BusBusy;
class ModelsInUse;
class TCommPort;
class TMInfoForm;

// What the module operations need from the main window.
struct ShedBusContext {
    TCommPort* link = nullptr;
    BusBusy* busy = nullptr;
    TMInfoForm* info = nullptr;
    QString logDirectory;  // where "ROZVRH.LOG" is written
};

class TShedPage : public QWidget {
    Q_OBJECT
  public:
    explicit TShedPage(ModelsInUse* models, QWidget* parent = nullptr);

    // Loads dir/ROZVRH.QX (the defaults when it is missing) and enables the controls.
    bool ShedRead(const QString& dir);
    // Writes the table and the check boxes to dir/ROZVRH.QX; a message when it cannot.
    bool ShedWrite(const QString& dir);
    bool ShedShow(int index);
    bool ShedStore(int index);
    void MShedIndexEnter();
    void MShedSelectChange();
    // Puts the window's module buttons at the top of the column of the schedule-wide check
    // boxes, in the order given.
    void AddModuleButtons(std::initializer_list<QPushButton*> buttons);
    // The input choices depend on the instrument and module in use.
    void RefreshInput();

    // The table with the check boxes as they stand now (after ShedStore of the shown index).
    Schedule CurrentSchedule();
    int ShownIndex() const { return shownIndex_; }

    // `addressText` is MSetAddress's text; the clear uses the selected address.
    void MShedSendClick(const ShedBusContext& bus, const QString& addressText);
    void MShedCheckClick(const ShedBusContext& bus, const QString& addressText);
    void MShedClearClick(const ShedBusContext& bus, int selectedAddress);

    QGroupBox* MShedIndex = nullptr;  // radio group "Index", items "1".."8"
    QGroupBox* MShedParam = nullptr;
    QCheckBox* MShedActive = nullptr;
    QComboBox* MShedSelect = nullptr;
    QComboBox* MShedRange = nullptr;
    QComboBox* MShedInput = nullptr;
    QLineEdit* MShedDate = nullptr;
    QLineEdit* MShedTime = nullptr;
    QLineEdit* MShedInter = nullptr;
    QLineEdit* MShedHigh = nullptr;
    QLineEdit* MShedLow = nullptr;
    QLineEdit* MShedLimit = nullptr;
    QCheckBox* MShedRewrite = nullptr;
    QCheckBox* MShedAlloff = nullptr;

  private:
    void BuildControls();
    QLineEdit* AddEdit(const char* name, const QString& label, const QString& hint, int row);
    void EnableControls();
    enum class Operation { kSend, kCheck, kClear };
    TransactionResult Run(const ShedBusContext& bus, Operation op, int address);

    ModelsInUse* models_;
    QButtonGroup* indexGroup_ = nullptr;
    QVBoxLayout* flags_ = nullptr;
    bool haveTable_ = false;
    Schedule table_;
    int shownIndex_ = 0;
    int shownQuantity_ = 0;
    int shownRange_ = 0;
    int shownInput_ = 0;
};

}  // namespace qx
