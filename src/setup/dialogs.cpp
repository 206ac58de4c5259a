// Sub-dialogs, the file chooser, settings export and import, and copying a
// configuration file out: the dialog slots that the description's calls use.
#include "cwinmain.h"

#include "config/csettingsexport.h"
#include "config/nbxsetup.h"
#include "host/nbxdlgquestion.h"
#include "util/atomicwrite.h"

#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QRegExp>

#include <utility>

namespace {

QStringList fieldsOf(const QString& s)
{
    return s.split(QLatin1Char(','));
}

} // namespace

void CWinMain::showDialog(QString tag)
{
    QDomElement element = taggedElement(tag);
    if (element.isNull()) {
        emit pseudothrow(tr("Unknown dialog tag \"%1\"").arg(tag));
        return;
    }
    // A dialog whose content opens it again would nest without end, before
    // anything reaches the screen.
    if (openDialogs.contains(element)) {
        emit pseudothrow(tr("Dialog \"%1\" is already open").arg(tag));
        return;
    }
    if (openDialogs.size() >= kMaxDialogDepth) {
        emit pseudothrow(tr("Dialog \"%1\" not opened: dialogs nest at most %2 deep")
                             .arg(tag)
                             .arg(kMaxDialogDepth));
        return;
    }
    if (!editsMayGo(element))
        return;
    openDialogs.append(element);
    QDialog dialog(this);
    buildDialog(dialog, element);
    // The setup dialog closes itself after an error; its sub-dialogs go with
    // it, and one that failed while it was built is not shown at all.
    connect(&rejectTimer, &QTimer::timeout, &dialog, &QDialog::reject);
    if (!errorShown)
        dialog.exec();
    cleanupWidget(element);
    openDialogs.removeLast();
}

// A dialog whose action ends the session (a restart, a reset) says first
// what becomes of the edits not yet stored, and can be left unopened.
bool CWinMain::editsMayGo(const QDomElement& element)
{
    if (element.attribute(QStringLiteral("discardsEdits")) != QLatin1String("yes"))
        return true;
    const int changed = unsavedChanges();
    if (changed == 0)
        return true;
    const int answer = NBXDlgQuestion::Do(
        this, QMessageBox::Warning, QStringLiteral("Panorix Setup"),
        (changed == 1 ? tr("1 change not stored on the recorder will be lost.")
                      : tr("%1 changes not stored on the recorder will be lost.").arg(changed)) +
            QLatin1Char('\n') + tr("Store them first with OK or Apply, or go on without them."),
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel, QDialogButtonBox::Cancel);
    return answer == QDialogButtonBox::Ok;
}

void CWinMain::buildDialog(QDialog& dialog, QDomElement& element)
{
    // Opened from inside another build, it is part of that build's work.
    if (!building && dialogBuilds == 0)
        buildBudget = kBuildSubstitutionBudget;
    ++dialogBuilds;
    dialog.setWindowTitle(substitute(element.attribute(QStringLiteral("title"))));
    setCommonControlOptions(&dialog, element);
    fillMainWidget(&dialog, element);
    dialog.installEventFilter(this);
    // The answer the description makes the default starts with the focus, so
    // neither Enter nor Space picks another one unseen.
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->isDefault())
            button->setFocus(Qt::OtherFocusReason);
    }
    --dialogBuilds;
}

void CWinMain::fillMainWidget(QWidget* widget, QDomElement& element)
{
    // The dialog may open from a step of another build's queue; only its own
    // controls get their steps here, and the other build's queue goes on.
    const QList<QDomElement> outer = std::exchange(pendingControls, {});
    fillWidget(widget, element);
    updatePendingControls();
    pendingControls = outer;
    for (QDomElement task = element.firstChildElement(QStringLiteral("timetask")); !task.isNull();
         task = task.nextSiblingElement(QStringLiteral("timetask")))
        newTimeTask(task);
    commonActionsProcessing(element);
}

void CWinMain::cleanupWidget(QDomElement& element)
{
    for (;;) {
        QDomElement record =
            element.elementsByTagName(QStringLiteral("controlWidget")).item(0).toElement();
        if (record.isNull())
            break;
        QDomNode owner = record.parentNode();
        owner.removeChild(record);
        const QString id = record.attribute(QStringLiteral("id"));
        const QDomElement link = owner.firstChildElement(id);
        if (!id.isEmpty() && !link.isNull())
            owner.removeChild(link);
        linkTags.remove(id);
    }
    for (QDomElement task = element.firstChildElement(QStringLiteral("timetask")); !task.isNull();
         task = task.nextSiblingElement(QStringLiteral("timetask")))
        removeTimeTask(task);
}

void CWinMain::fileDialog(QString s)
{
    QStringList f = fieldsOf(s);
    if (f.size() != 4) {
        emit pseudothrow(tr("Wrong %0 param \"%1\"").arg(QStringLiteral("fileDialog"), s));
        return;
    }
    for (QString& field : f)
        field = substitute(field);
    const QString& mode = f.at(0);
    const QString& key = f.at(3);

    QFileDialog chooser;
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.installEventFilter(this);
    chooser.setWindowTitle(f.at(1));
    chooser.setNameFilter(f.at(2));
    const QString current = setup->value(key);
    if (!current.isEmpty()) {
        chooser.setDirectory(current.left(current.lastIndexOf(QLatin1Char('/'))));
        setup->setValue(key + QLatin1Char('/'));
    }
    // "Images (*.jpg)" gives the suffix jpg; a filter list gives none.
    QRegExp suffix(QStringLiteral("\\(\\*\\.([^\\)\\,]*)\\)|\\,"));
    if (suffix.indexIn(f.at(2)) != 0)
        chooser.setDefaultSuffix(suffix.cap(1));
    if (mode == QLatin1String("open")) {
        chooser.setFileMode(QFileDialog::ExistingFile);
    } else if (mode == QLatin1String("save")) {
        chooser.setFileMode(QFileDialog::AnyFile);
        chooser.setAcceptMode(QFileDialog::AcceptSave);
    } else {
        emit pseudothrow(tr("Wrong %0 action \"%1\"").arg(QStringLiteral("fileDialog"), mode));
        return;
    }
    if (chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty())
        setValue(key + QLatin1Char('/') + chooser.selectedFiles().first());
}

bool CWinMain::localFilesAllowed(const char* slot) const
{
    // While the dialog is built, actions run because the description says
    // so, not because the user asked: the device would choose which local
    // file to overwrite or read.
    if (!building)
        return true;
    qWarning("%s: no local file is touched while the dialog is built", slot);
    return false;
}

void CWinMain::settingsSlot(QString s)
{
    if (!localFilesAllowed("settingsSlot"))
        return;
    const QStringList f = fieldsOf(s);
    if (f.size() != 3) {
        emit pseudothrow(tr("Wrong %0 param \"%1\"").arg(QStringLiteral("settingsSlot"), s));
        return;
    }
    const QString path = setup->value(f.at(1));
    if (path.isEmpty())
        return;
    if (f.at(0) == QLatin1String("write"))
        exportSettings(path, f.at(2));
    else if (f.at(0) == QLatin1String("read"))
        importSettings(path);
    else
        emit pseudothrow(tr("Wrong %0 action \"%1\"").arg(QStringLiteral("settingsSlot"), f.at(0)));
}

void CWinMain::exportSettings(const QString& path, const QString& tag)
{
    const QDomElement set = root.elementsByTagName(tag).item(0).toElement();
    // Replaced whole: a failed export never leaves half a file behind.
    if (!writeFileAtomically(path, cSettingsExport::exportText(*setup, set)))
        showDialog(QStringLiteral("filewriteerror"));
}

void CWinMain::importSettings(const QString& path)
{
    QStringList assignments;
    if (!cSettingsExport::readImport(path, assignments)) {
        showDialog(QStringLiteral("filewriteerror"));
        return;
    }
    // Checked whole first: a file that is not a settings file gives one
    // message and changes nothing, not one message per line and half an
    // import.
    for (int i = 0; i < assignments.size(); ++i) {
        const QString why = importRefusal(assignments.at(i));
        if (!why.isEmpty()) {
            emit pseudothrow(tr("\"%1\" is not a settings file of this recorder: line %2: %3")
                                 .arg(path)
                                 .arg(i + 1)
                                 .arg(why));
            return;
        }
    }
    for (const QString& assignment : assignments)
        setValue(assignment);
}

QString CWinMain::importRefusal(const QString& assignment)
{
    const QString file = assignment.section(QLatin1Char('/'), 0, 0);
    if (assignment.count(QLatin1Char('/')) < 3 || !setup->fileExists(file)) {
        // A short, printable excerpt of what the file holds.
        QString excerpt = assignment.left(60);
        for (QChar& c : excerpt) {
            if (!c.isPrint())
                c = QLatin1Char('?');
        }
        return tr("\"%1\" is no setting").arg(excerpt);
    }
    return setup->storeRefusal(assignment);
}

void CWinMain::saveFileAs(QString s)
{
    if (!localFilesAllowed("saveFileAs"))
        return;
    const QStringList f = fieldsOf(s);
    if (f.size() < 2) {
        emit pseudothrow(tr("Wrong arguments %1(%2)").arg(QStringLiteral("saveFileAs"), s));
        return;
    }
    const QString source = setup->filePath(f.at(0));
    const QString destination = setup->value(f.at(1));
    if (source.isEmpty() || destination.isEmpty())
        return;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        emit pseudothrow(tr("Can't open file\"%1\"").arg(source));
        return;
    }
    if (!writeFileAtomically(destination, in.readAll()))
        emit pseudothrow(tr("Can't open file\"%1\"").arg(destination));
}
