// This program's own definitions of two functions that the plug-in calls in
// other libraries. The dynamic linker finds a program's symbols before those
// of its libraries, so these take their place: the host's message box
// answers at once, as a user pressing its default button would, and a file
// is written only inside the sandbox, by the real function.
#include "host/nbxdlgquestion.h"
#include "sandbox.h"
#include "util/atomicwrite.h"

#include <cstdlib>
#include <dlfcn.h>

int NBXDlgQuestion::Do(QWidget*, QMessageBox::Icon, const QString&, const QString&,
                       QFlags<QDialogButtonBox::StandardButton>,
                       QDialogButtonBox::StandardButton defaultButton, bool* outFlag)
{
    const QDialogButtonBox::StandardButton pressed =
        defaultButton != QDialogButtonBox::NoButton ? defaultButton : QDialogButtonBox::Ok;
    if (outFlag)
        *outFlag = defaultButton != QDialogButtonBox::NoButton;
    return int(pressed);
}

bool writeFileAtomically(const QString& path, const QByteArray& data)
{
    using Write = bool (*)(const QString&, const QByteArray&);
    static const auto real = reinterpret_cast<Write>(
        dlsym(RTLD_NEXT, "_Z19writeFileAtomicallyRK7QStringRK10QByteArray"));
    if (!real)
        std::abort();
    return Sandbox::instance().contains(path) && real(path, data);
}
