#pragma once

#include "setup/ceditmarks.h"
#include "setup/ctaskruns.h"
#include "setup/ui_mainwindow.h"

#include <QDialog>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QHash>
#include <QList>
#include <QMultiMap>
#include <QPointer>
#include <QSizePolicy>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

class NBXSetup;
class QButtonGroup;
class QPushButton;
class cPTZvideoIn;
class cAccessList;
class QDateTime;
class QEventLoop;
class QGridLayout;
class QLayoutItem;
class QLineEdit;

// The setup dialog. Its whole content comes from the setup description the
// configuration source supplies: the description is parsed into `document`,
// which stays the only registry of controls; widgets find their elements
// through link tags and elements their widgets through `controlWidget`.
//
// The member functions live in files by concern: cwinmain.cpp (lifecycle),
// description.cpp (parsing, tags), controlfactory.cpp (building and layout),
// controltypes.cpp (the table of control types), plaincontrols.cpp (steps of
// the plain control types), binding.cpp (values, links, substitution),
// actions.cpp (actions and calls), sourcewait.cpp (waiting for the device's
// answer), leaving.cpp (Cancel and unsaved changes), dialogs.cpp (sub-dialogs, file chooser,
// settings export and import), timetasks.cpp (periodic tasks).
class CWinMain : public QDialog
{
    Q_OBJECT
public:
    CWinMain(NBXSetup& setup, QWidget* parent = nullptr);
    ~CWinMain() override;

    // --- description (description.cpp)
    void parseConfig(const QString& fileName);
    // Parent of the first element named `tag` in document order, or null.
    QDomElement taggedElement(const QString& tag);
    // The live widget recorded for taggedElement(tag), or null.
    QWidget* taggedObject(const QString& tag);
    // The live widget recorded in the element's first `controlWidget`.
    QWidget* widgetOf(const QDomElement& element) const;
    // Handle of a widget as written into the description: its address.
    static qint64 handleOf(const QWidget* widget);
    const QDomDocument& description() const { return document; }
    NBXSetup* source() const { return setup; }
    bool isBuilding() const { return building; }
    // False, with a warning, while the dialog is being built.
    bool localFilesAllowed(const char* slot) const;
    // Puts the dialog's centre on the middle of `parent`.
    void centreOn(QWidget* parent);

    // Also while the dialog still waits, hidden, for its source: a cancel
    // then ends exec() at once.
    int exec() override;
    void done(int r) override;

    // --- factory (controlfactory.cpp)
    QLayoutItem* newControl(QDomElement& item);
    void fillWidget(QWidget* widget, QDomElement& element);
    void fillGridLayout(QGridLayout& grid, QDomElement& element);
    void setCommonControlOptions(QWidget* widget, QDomElement& element);
    static Qt::Alignment itemAlighment(QDomElement& element);
    static QSizePolicy itemSizePolicy(QDomElement& element);
    // Rows and columns of one grid; larger indexes are clamped.
    static constexpr int kMaxGridIndex = 1000;
    // Rows a "list" reads from the settings at most.
    static constexpr int kMaxListRows = 10000;

    // --- binding (binding.cpp)
    void registerKeyForLink(const QDomElement& element);
    void registerKeyForLink(const QString& key, const QDomElement& element);
    QString substitute(const QString& text, const QDomElement& context);
    QString substitute(const QString& text);
    void updateControl(QDomElement& element);
    void actControl(QDomElement& element);
    void actControl(QWidget* widget);
    // Connects a control's change signal to its own step: a slot that asked
    // for its sender would search every connection to the dialog.
    template <typename Control, typename Signal> void connectChange(Control* control, Signal signal)
    {
        connect(control, signal, this, [this, control] { controlChanged(control); });
    }
    void controlChanged(QWidget* control);
    static QStringList _split_key(QString s);
    static qint64 fromHumanReadable(const QString& s);

    // A value that holds its own key would expand for ever; one
    // substitution stops after this many replacements or once its text has
    // grown past kMaxSubstitutedLength characters. Descriptions in use need
    // a handful.
    static constexpr int kMaxReplacements = 1000;
    static constexpr int kMaxSubstitutedLength = 1 << 20;
    // All substitutions of one build (the dialog's, or a sub-dialog's when it
    // opens) insert at most this many characters together, each replacement
    // counting one more; past it, texts stay as far as they got. The sample
    // device's description uses under a thousand.
    static constexpr qint64 kBuildSubstitutionBudget = 1 << 22;

    // --- actions (actions.cpp)
    void commonActionsProcessing(QDomElement& element);
    void commonCallProcessing(QDomElement& action);
    void processAction(QWidget* sender, QDomElement& action);

    // --- waiting for the device (sourcewait.cpp)
    // Once the dialog is shown, a call that started an exchange with the
    // device returns only when the device has answered or failed, so that
    // the next action of the list (OK's accept()) sees the outcome. The
    // dialog takes no input meanwhile and shows the exchange's progress.
    void waitForSource(const QString& call);
    // The call param of the store that OK and Apply start.
    static bool isStoreCall(const QString& call);
    // A call of the source that ended without an error.
    void callDone(const QString& call);
    bool isWaitingForSource() const { return waiting; }

    // --- leaving (leaving.cpp)
    // Values of the device's files the user changed and has not stored.
    int unsavedChanges();
    // Cancel, Esc and the close button: with unsaved changes, only once the
    // user agrees to discard them. A reject() from the description or the
    // host closes at once.
    void cancelByUser();
    // Errors shown (and logins declined) since the dialog was built; an
    // action list stops at one.
    Q_INVOKABLE int errorsShown() const { return errorCount; }

    // --- dialogs (dialogs.cpp)
    void fillMainWidget(QWidget* widget, QDomElement& element);
    void cleanupWidget(QDomElement& element);
    // Sub-dialogs open inside one another at most this deep.
    static constexpr int kMaxDialogDepth = 8;

    // --- time tasks (timetasks.cpp)
    void newTimeTask(QDomElement& task);
    void removeTimeTask(QDomElement& task);
    void doTimeTask(QDomElement& task);
    void ttGetJpeg(QDomElement& task);
    void ttVideoRSN3(QDomElement& task);
    // The tasks' time base in milliseconds; a monotonic clock unless set.
    using TaskClock = std::function<qint64()>;
    void setTaskClock(TaskClock clock) { taskClock = std::move(clock); }

signals:
    void pseudothrow(QString s);

protected slots:
    void onSetupProgress(int prc);
    void onSetupProgress();
    void onCtrlChanged(int);
    void onCtrlChanged();
    void onCtrlChanged(const QDateTime&);
    void onCtrlChanged(const QString&);
    void timeout();
    void onLoadDone();
    void onSourceCancelled();
    void showDialog(QString tag);
    void fileDialog(QString s);
    void settingsSlot(QString s);
    void setValue(QString s);
    void saveSettings();
    // The Apply button: its description's actions, normally OK's store
    // without the accept(), so the dialog stays open.
    void applySettings();
    void saveFileAs(QString s);
    void slot_onpseudothrow(QString s);
    // Commands of the user list's buttons and edit dialog, and of the
    // package list's (accesslistcontrol.cpp, softlistcontrol.cpp).
    void accessListSlot(QString command);
    void softListSlot(QString command);
    // Runs the stereo rectification tool and stores its date and error.
    void StereoRectification_slot();

protected:
    bool eventFilter(QObject* obj, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // One row per control type of the description: how it is built, how it
    // reads its keys and how it writes them back (null: nothing to do). A new
    // type is one row in controltypes.cpp and its three steps in its own file.
    struct ControlType
    {
        QLayoutItem* (CWinMain::*create)(QDomElement& item);
        void (CWinMain::*update)(QDomElement& element, QWidget* widget);
        void (CWinMain::*act)(QDomElement& element, QWidget* widget);
    };
    static const ControlType* controlType(const QString& name);

    // --- plain control types (plaincontrols.cpp)
    QLayoutItem* newLabel(QDomElement& item);
    QLayoutItem* newDropdown(QDomElement& item);
    QLayoutItem* newEdit(QDomElement& item);
    QLayoutItem* newCheckbox(QDomElement& item);
    QLayoutItem* newScroll(QDomElement& item);
    QLayoutItem* newSeparator(QDomElement& item);
    QLayoutItem* newGridLayout(QDomElement& item);
    QLayoutItem* newOnline(QDomElement& item);
    QLayoutItem* newSpacer(QDomElement& item);
    QLayoutItem* newTabWidget(QDomElement& item);
    QLayoutItem* newDateTime(QDomElement& item);
    QLayoutItem* newPushButton(QDomElement& item);
    void joinButtonGroup(QPushButton* button, const QDomElement& item);
    QLayoutItem* newList(QDomElement& item);
    QLayoutItem* newNbxPie(QDomElement& item);
    QLayoutItem* newProgressBar(QDomElement& item);
    QLayoutItem* newSetup(QDomElement& item);

    void updateLabel(QDomElement& element, QWidget* widget);
    void updateDropdown(QDomElement& element, QWidget* widget);
    void updateEdit(QDomElement& element, QWidget* widget);
    void updateCheckbox(QDomElement& element, QWidget* widget);
    void updateScroll(QDomElement& element, QWidget* widget);
    void updateTabWidget(QDomElement& element, QWidget* widget);
    void updatePushButton(QDomElement& element, QWidget* widget);
    void updateProgressBar(QDomElement& element, QWidget* widget);
    void updateNbxPie(QDomElement& element, QWidget* widget);

    void actDropdown(QDomElement& element, QWidget* widget);
    void actEdit(QDomElement& element, QWidget* widget);
    void actCheckbox(QDomElement& element, QWidget* widget);
    void actScroll(QDomElement& element, QWidget* widget);
    void actDateTime(QDomElement& element, QWidget* widget);
    void actPushButton(QDomElement& element, QWidget* widget);
    QString editRefusal(const QDomElement& element, QLineEdit* edit);

    // --- mask editor (maskcontrol.cpp)
    QLayoutItem* newMaskCtrl(QDomElement& item);
    void updateMaskCtrl(QDomElement& element, QWidget* widget);
    void actMaskControl(QDomElement& element, QWidget* widget);

    // --- weekly schedule (schedulecontrol.cpp)
    QLayoutItem* newVelkSchedule(QDomElement& item);
    void updateVelkSchedule(QDomElement& element, QWidget* widget);
    void actVelkSchedule(QDomElement& element, QWidget* widget);

    // --- disk health bar (diskfitnesscontrol.cpp)
    QLayoutItem* newDiskFitness(QDomElement& item);

    // --- daylight time of a zone rule (daylightcontrol.cpp)
    QLayoutItem* newDaylightInfo(QDomElement& item);
    void updateDaylightInfo(QDomElement& element, QWidget* widget);

    // --- PTZ control types (ptzvideoin.cpp, ptzcrossview.cpp, p2kbutton.cpp,
    // ptzalarm.cpp)
    QLayoutItem* newPTZvideoin(QDomElement& item);
    void actPTZvideoin(QDomElement& element, QWidget* widget);
    QList<QWidget*> passPTZTargets(const QDomElement& target, const char* signature,
                                   QGenericArgument arg);
    void steerFromViews(cPTZvideoIn* control, const QList<QWidget*>& targets);
    QLayoutItem* newPTZcrossView(QDomElement& item);
    QLayoutItem* newP2Kbutton(QDomElement& item);
    void actP2Kbutton(QDomElement& element, QWidget* widget);
    QLayoutItem* newPTZAlarm(QDomElement& item);
    void updatePTZAlarm(QDomElement& element, QWidget* widget);
    void actPTZAlarm(QDomElement& element, QWidget* widget);
    QString alarmKeyName(const QDomElement& element);

    // --- PTZ calibrator (ptzcalibratorcontrol.cpp)
    QLayoutItem* newPTZCalibrator(QDomElement& item);
    void updatePTZCalibrator(QDomElement& element, QWidget* widget);
    void actPTZCalibrator(QDomElement& element, QWidget* widget);
    void sendPTZGoto(const QDomElement& element, const struct sCalibrationPoint& request);

    // --- user access list (accesslistcontrol.cpp)
    QLayoutItem* newAccessList(QDomElement& item);
    void updateAccessList(QDomElement& element, QWidget* widget);
    void actAccessList(QDomElement& element, QWidget* widget);
    void accessEdit(cAccessList& list);
    void accessNew(cAccessList& list);
    void accessNewOk(cAccessList& list);
    void accessRemove(cAccessList& list);
    QString accessEntryError(const cAccessList& list);
    bool clearPasswords();
    bool shownTextRefused(const QString& key);

    // --- software package list (softlistcontrol.cpp)
    QLayoutItem* newSoftList(QDomElement& item);
    void updateSoftList(QDomElement& element, QWidget* widget);

    // --- sub-dialogs (dialogs.cpp)
    void buildDialog(QDialog& dialog, QDomElement& element);
    bool editsMayGo(const QDomElement& element);

    // --- settings export and import (dialogs.cpp)
    void exportSettings(const QString& path, const QString& tag);
    void importSettings(const QString& path);
    // Why one line of an import cannot be stored; empty when it can.
    QString importRefusal(const QString& assignment);

    // --- time tasks (timetasks.cpp)
    qint64 taskTime() const;
    void prepareConnection(QDomElement& task);
    // A copy of the device's files: views say that no picture comes, and
    // steering buttons are disabled.
    void showLiveUnavailable();
    // The live widgets a picture task's targets name.
    QList<QWidget*> pictureTargets(const QDomElement& task);
    // Views exist and none of them is on a shown page.
    bool noneShown(const QList<QWidget*>& targets) const;
    void connectTargets(QObject* receiver, const QList<QWidget*>& targets);

    // --- helpers
    QString writeKey(const QString& key) const;
    void annotate(QWidget* widget, QDomElement& element);
    QDomElement linkedElement(const QString& linkTag) const;
    QList<QDomElement> elementsNamed(const QString& tag);
    // The link tag in the element's first `controlWidget`, or empty.
    QString linkTagOfElement(const QDomElement& element) const;
    void updatePendingControls();
    QString translate(const QString& word, QString& lang);
    QDomElement translationOf(const QString& word);
    static void paintFrame(QWidget* widget);
    // --- waiting for the device (sourcewait.cpp)
    void setInputEnabled(bool enabled);
    void runButtonActions(const QString& name);
    void showErrorInTurn(const QString& message);
    // --- leaving (leaving.cpp)
    void noteEdit(const QString& assignment);
    bool discardAgreed();
    // --- fitting the screen (cwinmain.cpp)
    void fitToScreen();
    void scrollPages();
    void keepOnScreen();
    void focusFirstControl();
    static QRect availableArea();
    QSize frameExtra() const;

    Ui_MainWindow ui;
    QFile configFile;
    QDomElement root;
    QDomDocument document;
    QList<QWidget*> toggledWidgets;
    QList<QDomElement> pendingControls;
    NBXSetup* setup;
    qint32 loaded = false;
    QMultiMap<QString, QString> links;
    QList<QDomElement> timeTasks;
    QTimer timeTaskTimer;
    TaskClock taskClock;
    cTaskRuns snapshotRuns;
    bool errorShown = false;
    int errorCount = 0;
    bool waiting = false;
    bool storing = false;
    bool timeTaskRunning = false;
    // Errors waiting for the message box before them to close.
    QStringList pendingErrors;
    bool errorBoxOpen = false;
    // The value each edited key of the device's files had before its first
    // edit since loading or the last store.
    QHash<QString, QString> editedKeys;
    // Push buttons of one named group: the one chosen last stays checked.
    QHash<QString, QButtonGroup*> buttonGroups;
    bool building = true;
    QTimer rejectTimer;
    // The loop exec() waits in while the source loads, and whether done()
    // ended it.
    QEventLoop* loadWait = nullptr;
    bool doneWhileLoading = false;
    // Edits whose text could not be stored; OK waits while one is in sight.
    cEditMarks editMarks;

    // Indexes beside the document so that lookups by link tag, by handle, by
    // element and by name cost the same whatever the size of the
    // description. A handle resolves only to a widget this dialog created and
    // that still lives, so an address written into a description file is
    // never dereferenced.
    QHash<QString, QList<QDomElement>> linkTags;
    QHash<qint64, QPointer<QWidget>> widgets;

    // Substitution: what the running build may still insert, how many
    // sub-dialogs are being filled, and the translations by word.
    qint64 buildBudget = kBuildSubstitutionBudget;
    int dialogBuilds = 0;
    QDomElement indexedRoot;
    QHash<QString, QDomElement> translations;
    // Elements of the sub-dialogs being shown, outermost first.
    QList<QDomElement> openDialogs;

    // The control whose own change signal is being handled, if any.
    QWidget* signalledControl = nullptr;
    // The widget that the grid being filled lays out: controls are created
    // as its children, as a reparent costs more than the creation itself.
    QWidget* controlParent = nullptr;

    // One `controlWidget` child that annotate() appended.
    struct WidgetRecord
    {
        QDomElement record; // detached once removed from the document
        QString tag;
        qint64 handle = 0;
    };
    // What annotate() appended to one element, oldest first. `foreign`: the
    // description itself put a `controlWidget` there, which then comes first;
    // such an element is read from the document instead.
    struct ElementRecords
    {
        QDomElement element; // keeps the node, and so its key, alive
        QList<WidgetRecord> records;
        bool foreign = false;
    };
    QHash<quintptr, ElementRecords> annotations;
    // The element's first record still in the document, or null; nullopt
    // when the element has to be read from the document instead.
    std::optional<const WidgetRecord*> firstRecordOf(const QDomElement& element) const;

    // The description's own elements by name (without a namespace prefix),
    // in document order; built on the first look-up by name after parsing.
    // Annotations are not in it: link tags have their own index and
    // `controlWidget` is searched for.
    QHash<QString, QList<QDomElement>> elementsByName;
    bool elementsIndexed = false;
    const QList<QDomElement>* indexedElements(const QString& name);
};
