// The main window on the headless host and the simulated chips, in a working directory of its own.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <future>
#include <memory>
#include <thread>

#include "app/MainWindow.h"
#include "devicelib/OvMcuSim.h"
#include "framework/DeviceNotification.h"
#include "framework/Files.h"
#include "framework/Profile.h"
#include "framework/Resources.h"
#include "framework/Sync.h"
#include "framework/host/headless/HeadlessHost.h"
#include "tests/framework/TempFolder.h"

// Makes `dir` the working directory with the built language catalogs, the profile, the device mutex's files and
// an empty simulator with instant transfers inside it; answers the working directory it replaced.
inline fw::Text EnterMainWindowWorkdir(const fw::testing::TempFolder& dir) {
    const fw::Text previous = fw::GetWorkingDirectory();
    std::filesystem::copy(std::filesystem::path(QX_BINARY_DIR) / "workdir" / "Languages", dir.Path() / "Languages");
    fw::SetWorkingDirectory(dir.Wide());
    fw::SetProfileFolder(dir.Wide("profile"));
    fw::SetRuntimeFolder(dir.Wide("run"));
    fw::SetDeviceEventSource(fw::DeviceEventSource::InjectedOnly);
    ovsim::Reset();
    ovsim::SetLinkSpeed(0);
    return previous;
}

// True when another thread could not take the device mutex at once.
inline bool MutexHeldElsewhere() {
    return std::async(std::launch::async,
                      [] {
                          const bool got = g_hDeviceMutex->Wait(0);
                          if (got) g_hDeviceMutex->Release();
                          return !got;
                      })
        .get();
}

// Another thread holds the device mutex while this lives: a command that waited for it would take five seconds.
class DeviceMutexHolder {
public:
    DeviceMutexHolder() {
        std::promise<void> taken;
        std::future<void> held = taken.get_future();
        m_thread = std::thread([this, &taken] {
            g_hDeviceMutex->Wait();
            taken.set_value();
            m_done.get_future().wait();
            g_hDeviceMutex->Release();
        });
        held.wait();
    }
    ~DeviceMutexHolder() {
        m_done.set_value();
        m_thread.join();
    }
    DeviceMutexHolder(const DeviceMutexHolder&) = delete;
    DeviceMutexHolder& operator=(const DeviceMutexHolder&) = delete;

private:
    std::promise<void> m_done;
    std::thread m_thread;
};

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        m_previousDir = EnterMainWindowWorkdir(dir);
        CQXDownloadToolDlg::s_restartProgram = [this] {
            ++restarts;
            return true;
        };
    }

    void TearDown() override {
        window.reset();
        fw::SetWorkingDirectory(m_previousDir);
        fw::SetResourceLanguage(fw::kLangChinese);
    }

    void SysConfig(const std::string& lines) { dir.Write("SysConfig.ini", "[dlparam]\n" + lines); }

    CQXDownloadToolDlg& Start(uint32_t languageId = 2052) {
        fw::SetResourceLanguage(static_cast<int>(languageId));
        window = std::make_unique<CQXDownloadToolDlg>(languageId);
        EXPECT_TRUE(window->Create());
        return *window;
    }

    static ovsim::ChipSpec Chip(uint8_t series, const std::string& model = {}) {
        ovsim::ChipSpec spec;
        spec.series = series;
        spec.model = model;
        return spec;
    }

    bool LogHas(fw::TextView text) const {
        const auto lines = host.LogTexts();
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }
    int LogCount(fw::TextView text) const {
        const auto lines = host.LogTexts();
        return static_cast<int>(std::count(lines.begin(), lines.end(), text));
    }
    fw::Text ButtonText() const { return window->GetDlgItemText(IDC_BTN_CONNECT); }

    fw::testing::TempFolder dir;
    fw::HeadlessHost host;
    std::unique_ptr<CQXDownloadToolDlg> window;
    int restarts = 0;

private:
    fw::Text m_previousDir;
};
