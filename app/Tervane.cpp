// SPDX-License-Identifier: MIT
// The program's entry: title from the branding file, the application icon, the main window, the loop.
// It takes no arguments and reads no environment variables of its own.

#include "app/Branding.h"
#include "app/ErrorText.h"
#include "app/Exception.h"
#include "app/IconFile.h"
#include "app/UtilFuncs.h"
#include "platform/Platform.h"
#include "ui/Application.h"
#include "ui/Main.h"
#include "ui/MessageBoxes.h"
#include "ui/ShellServices.h"
#include "watch/TThread.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>

#include <cstdio>
#include <filesystem>
#include <typeinfo>

namespace {

using namespace tervane;

QIcon loadApplicationIcon(const std::string& fileName)
{
    CheckIconFile(fileName);
    QImageReader reader(QString::fromLocal8Bit(fileName.c_str()));
    if (!reader.canRead()) {
        throw Exception("Icon image is not valid");
    }
    return QIcon(QString::fromLocal8Bit(fileName.c_str()));
}

int reportStartupError(const std::exception& error)
{
    const std::string module = std::filesystem::path(platform::ExecutablePath()).filename().string();
    const std::string text =
        ApplicationErrorText(exceptionTypeName(error), module, static_cast<const void*>(&typeid(error)), error.what());
    // Also on stderr, so a start from a terminal or a script says why it ended.
    std::fputs(text.c_str(), stderr);
    showMessageBox(nullptr, QStringLiteral("Application Error"), QString::fromLocal8Bit(text.c_str()), BoxIcon::Stop);
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    int exitCode = 0;
    try {
        SetApplicationTitle(QString::fromLocal8Bit(ReadBrandingTitle(GetBrandingFileName()).c_str()));
        QApplication::setWindowIcon(loadApplicationIcon(iconFileName()));
        InstallHandOffWaker();
        installShellServices();
        {
            Twnd_rv_Main wnd_rv_Main;
            wnd_rv_Main.show();
            exitCode = QApplication::exec();
        }
        RemoveHandOffWaker();
        WaitForThreads();
    } catch (const std::exception& error) {
        exitCode = reportStartupError(error);
    }
    return exitCode;
}
