// SPDX-License-Identifier: MIT
#include "ui/Main.h"

#include "app/Branding.h"
#include "app/UtilFuncs.h"
#include "app/globals.h"
#include "platform/Platform.h"
#include "ui/Application.h"
#include "ui/MessageBoxes.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace tervane {

Twnd_rv_Main::Twnd_rv_Main(QWidget* parent, Hooks hooks)
    : QMainWindow(parent), m_hooks(std::move(hooks)), m_diskMon(std::make_unique<TQuorvel_DiskMonitor>(nullptr))
{
    if (!m_hooks.platformCheck) {
        m_hooks.platformCheck = [] { return platform::ChangeNotificationAvailable(); };
    }
    setObjectName(QStringLiteral("wnd_rv_Main"));
    m_diskMon->SetName("DiskMon");
    // The stored settings, applied in published order: Active first and false, so loading opens nothing.
    m_diskMon->SetActive(false);
    m_diskMon->SetDirectory(platform::DefaultDirectory());
    m_diskMon->SetWatchSubtree(true);
    m_diskMon->SetWatchFilter(TWatchFilterSet::all());
    m_diskMon->SetWatchAction(TWatchActionSet::all());
    m_diskMon->SetOnChange([this](TQuorvel_DiskMonitor* sender, TWatchAction action, std::string name) {
        DiskMonChange(sender, action, name);
    });

    FormCreate();
}

Twnd_rv_Main::~Twnd_rv_Main() = default;

void Twnd_rv_Main::FormCreate()
{
    try {
        LoadBranding();
        if (m_hooks.platformCheck()) {
            m_diskMon->SetActive(true);
            setWindowTitle(ApplicationTitle() + QStringLiteral(" - [") +
                           QString::fromLocal8Bit(m_diskMon->Directory().c_str()) + QStringLiteral("]"));
        } else {
            showMessageBox(nullptr, QStringLiteral("Warning"), QStringLiteral("This application requires NT platform."),
                           BoxIcon::Warning);
            QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
        }
    } catch (const std::exception& e) {
        // The window is still created and the program runs on; the rest of the creation is skipped.
        ReportHandlerError(nullptr, e);
    }
}

void Twnd_rv_Main::LoadBranding()
{
    setWindowTitle(ApplicationTitle());
    ReadBrandingRecord(GetBrandingFileName(), GlobalVars);
}

void Twnd_rv_Main::DiskMonChange(TQuorvel_DiskMonitor* /*Sender*/, TWatchAction /*Action*/,
                                 const std::string& /*FileName*/)
{}

} // namespace tervane
