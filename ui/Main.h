// SPDX-License-Identifier: MIT
#pragma once
// Twnd_rv_Main: the program's only working window. It owns the watch component DiskMon, shows the change
// log, and runs the creation sequence (branding record, platform check, first activation, caption).
// Main thread only.

#include "watch/Vasko_DiskMonitor.h"

#include <QMainWindow>

#include <functional>
#include <memory>

namespace tervane {

class Twnd_rv_Main : public QMainWindow
{
    Q_OBJECT

public:
    /// Seams for what tests cannot provoke on a real machine.
    struct Hooks
    {
        /// Whether the platform can watch directories; by default, whether the kernel facility works.
        std::function<bool()> platformCheck;
    };

    explicit Twnd_rv_Main(QWidget* parent = nullptr, Hooks hooks = {});
    ~Twnd_rv_Main() override;

    /// The one watch component; created with the window, destroyed with it.
    [[nodiscard]] TQuorvel_DiskMonitor* DiskMon() const { return m_diskMon.get(); }

    void FormCreate();
    void LoadBranding();
    void DiskMonChange(TQuorvel_DiskMonitor* Sender, TWatchAction Action, const std::string& FileName);

private:
    Hooks m_hooks;
    std::unique_ptr<TQuorvel_DiskMonitor> m_diskMon;
};

} // namespace tervane
