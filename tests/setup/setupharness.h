#pragma once

// Builds setup dialogs over a real configuration source on temporary files,
// and closes the error message boxes they show, recording what they said.

#include "config/nbxsetup.h"
#include "messageboxcatcher.h"
#include "setup/cwinmain.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

// A source whose load() either completes at once, as the base does, or
// waits for the test to emit loadDone().
class TestSource : public NBXSetup
{
public:
    bool deferLoad = false;
    TestSource() : NBXSetup(QString()) {}
    void load() override
    {
        if (!deferLoad)
            NBXSetup::load();
    }
};

class SetupHarness
{
public:
    QTemporaryDir dir;
    TestSource source;
    MessageBoxCatcher boxes;
    std::unique_ptr<CWinMain> dialog;
    std::unique_ptr<QSignalSpy> errors;

    SetupHarness() { source.setFilePath(QStringLiteral("general"), write("general.ini", "")); }

    QString write(const QString& name, const QByteArray& text)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text) != text.size())
            qFatal("cannot write fixture %s", qPrintable(path));
        return path;
    }

    static QByteArray fixture(const QString& name)
    {
        QFile f(QStringLiteral(VELK_SETUP_TESTDATA "/") + name);
        if (!f.open(QIODevice::ReadOnly))
            qFatal("missing fixture %s", qPrintable(name));
        return f.readAll();
    }

    // The body wrapped in a valid document element.
    static QByteArray wrap(const QByteArray& body)
    {
        return "<pxsetup version=\"1.0\">" + body + "</pxsetup>";
    }

    // Builds the dialog from `xml`; every error it emits lands in `errors`.
    CWinMain* build(const QByteArray& xml, QWidget* parent = nullptr)
    {
        source.setFilePath(QStringLiteral("interface"), write("setup-m.xml", xml));
        source.deferLoad = true;
        dialog = std::make_unique<CWinMain>(source, parent);
        errors = std::make_unique<QSignalSpy>(dialog.get(), &CWinMain::pseudothrow);
        emit source.loadDone();
        return dialog.get();
    }

    QStringList errorTexts() const
    {
        QStringList out;
        for (const QList<QVariant>& args : *errors)
            out << args.at(0).toString();
        return out;
    }

    template <typename T> T* control(const QString& tag) const
    {
        return qobject_cast<T*>(dialog->taggedObject(tag));
    }

    // Slots of the dialog are protected, as a description reaches them: by name.
    void setValue(const QString& assignment)
    {
        QMetaObject::invokeMethod(dialog.get(), "setValue", Qt::DirectConnection,
                                  Q_ARG(QString, assignment));
    }

    QString value(const QString& key) { return source.value(key); }
};
