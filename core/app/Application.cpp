#include "core/app/Application.h"

#include <array>

#include "core/diagnostics/LiveData.h"

namespace qor {

Application::Application(Platform platform, std::vector<std::string> args, std::string appDir)
    : tool_(platform.scheduler, platform.port, platform.dialogs, platform.opener, platform.ports,
            std::move(args), std::move(appDir)),
      transfer_(tool_, platform.dialogs, image()),
      files_(tool_.state(), image(), platform.dialogs, platform.fileDialogs, platform.files,
             fileHooks()) {
    auto& hooks = tool_.hooks();
    // Column headers follow the RPM range page and the idle start speed.
    hooks.rpmRangeRows = [this] {
        std::array<double, 21> rows{};
        for (std::size_t i = 0; i < rows.size(); ++i)
            rows[i] = params_.get("RPM_Range_Row" + std::to_string(i + 1));
        return rows;
    };
    hooks.idleStartSpeed = [this] { return params_.get("beginwaarde"); };
    // The dashboard names what each digital input does, from the hardware page.
    hooks.updateDigitalInputLabels = [this] {
        UpdateDigitalInputLabels(tool_.view().dashboard, params_);
    };
    hooks.openFile = [this] { files_.OpenFileClick(); };
    hooks.saveFile = [this] { files_.SaveFileClick(); };
}

FileCommandHooks Application::fileHooks() {
    FileCommandHooks h;
    h.stopLink = [this] { tool_.link().StopLink(); };
    h.requestLiveData = [this] {
        tool_.state().RxMuted = false;
        tool_.link().RequestLiveData();
    };
    h.selectRegionTable = [this] { tool_.SelectRegionTable(); };
    h.enterOfflineState = [this] { EnterOfflineStateAfterOpen(); };
    return h;
}

void Application::EnterOfflineStateAfterOpen() {
    auto& s = tool_.state();
    tool_.SetDashboardActive(false);
    s.RxCount = 0;
    s.RxBuffer.clear();
    tool_.timer1().setEnabled(false);
    tool_.timer2().setEnabled(false);
    // Showing the menu disables the file commands first.
    tool_.ShowUpDownloadMenu(MenuVariant::AfterOpenFile);
    // The opened file's tables bring their own headers.
    tool_.UpdateThrottleLimitHeaders();
    tool_.UpdateOpenLoopIdleHeaders();
}

}  // namespace qor
