// kov-config: the desktop configurator.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "link/ParameterDocumentHolder.h"
#include "platform/DriverMaintenance.h"
#include "platform/PipeHost.h"
#include "platform/Signals.h"
#include "sim/SampleDocument.h"
#include "sim/SimDevice.h"
#include "sim/SimPipeRunner.h"
#include "support/CrashLedger.h"
#include "support/ScopeFrame.h"
#include "support/TextCodec.h"
#include "support/TextNumbers.h"
#include "ui/qt/Icons.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtText.h"

namespace {

using namespace kov;

constexpr char kUsage[] =
    "Usage: kov-config [--simulate | --device-root DIR] [--screenshot FILE [--subject ID]]\n"
    "\n"
    "  --simulate          start a simulated device inside the program, under a private\n"
    "                      device root, and connect to it: the whole round trip without hardware\n"
    "  --device-root DIR   look for pipe-way devices under DIR (for example one that\n"
    "                      kov-device-sim --root DIR serves)\n"
    "  --screenshot FILE   once the parameters are loaded (or after 10 s), save a picture of the\n"
    "                      window to FILE and quit; --subject ID first shows that subject\n"
    "  --help              show this text\n";

constexpr char kSimulatedDeviceName[] = "dovrane-sim-1";
constexpr int kSimulatedRestartDelayMs = 1500;
constexpr int kScreenshotTimeoutMs = 10000;

struct SArguments {
    bool bSimulate = false;
    std::string sDeviceRoot;
    QString qsScreenshot;
    int iSubject = 0;
};

bool ParseArguments(int argc, char** argv, SArguments& args, std::string& sError)
{
    for (int i = 1; i < argc; ++i) {
        const std::string sArg = argv[i];
        auto Value = [&](std::string& sValue) {
            if (i + 1 >= argc) {
                sError = sArg + " needs a value";
                return false;
            }
            sValue = argv[++i];
            return true;
        };
        std::string sValue;
        if (sArg == "--simulate") {
            args.bSimulate = true;
        } else if (sArg == "--device-root") {
            if (!Value(args.sDeviceRoot)) {
                return false;
            }
        } else if (sArg == "--screenshot") {
            if (!Value(sValue)) {
                return false;
            }
            args.qsScreenshot = QString::fromStdString(sValue);
        } else if (sArg == "--subject") {
            if (!Value(sValue)) {
                return false;
            }
            args.iSubject = ReadInt32(sValue);
        } else {
            sError = "unknown argument " + sArg;
            return false;
        }
    }
    if (args.bSimulate && !args.sDeviceRoot.empty()) {
        sError = "--simulate and --device-root exclude each other";
        return false;
    }
    return true;
}

// A device served inside this process through the pipe way, under a folder of its own.
class CSimulatedDevice {
public:
    bool Start(std::string& sError)
    {
        if (!m_root.isValid()) {
            sError = "cannot create a temporary device root";
            return false;
        }
        if (!m_device.LoadDocumentText(SampleDocumentText())) {
            sError = "cannot load the sample parameter document";
            return false;
        }
        m_pRunner = std::make_unique<CSimPipeRunner>(m_device, Root(), kSimulatedDeviceName,
                                                     kSimulatedRestartDelayMs);
        m_serving = std::thread([this] { m_pRunner->Run(); });
        return true;
    }
    ~CSimulatedDevice()
    {
        if (m_pRunner) {
            m_pRunner->Stop();
        }
        if (m_serving.joinable()) {
            m_serving.join();
        }
    }
    std::string Root() const { return m_root.path().toStdString(); }

private:
    QTemporaryDir m_root{QDir::tempPath() + QStringLiteral("/kov-config-sim-XXXXXX")};
    CSimDevice m_device{SSimDeviceOptions{}};
    std::unique_ptr<CSimPipeRunner> m_pRunner;
    std::thread m_serving;
};

// Ctrl-C and SIGTERM close the window the ordinary way, so the options are written and a
// simulated device unplugs.
class CStopSignalWatcher {
public:
    explicit CStopSignalWatcher(QWidget& rWindow)
    {
        m_thread = std::thread([this, &rWindow] {
            while (!m_bDone) {
                if (WaitForStopSignal(200) != 0) {
                    QMetaObject::invokeMethod(
                        &rWindow, [&rWindow] { rWindow.close(); }, Qt::QueuedConnection);
                }
            }
        });
    }
    ~CStopSignalWatcher()
    {
        m_bDone = true;
        m_thread.join();
    }
    CStopSignalWatcher(const CStopSignalWatcher&) = delete;
    CStopSignalWatcher& operator=(const CStopSignalWatcher&) = delete;

private:
    std::atomic<bool> m_bDone{false};
    std::thread m_thread;
};

void ScheduleScreenshot(CMainWindow& rWindow, const SArguments& args)
{
    auto pClock = std::make_shared<QElapsedTimer>();
    pClock->start();
    auto* pPoll = new QTimer(&rWindow);
    QObject::connect(pPoll, &QTimer::timeout, &rWindow, [&rWindow, pPoll, pClock, args] {
        const bool bLoaded = rWindow.StatusText() == QStringLiteral("Parameters loaded");
        if (!bLoaded && pClock->elapsed() < kScreenshotTimeoutMs) {
            return;
        }
        pPoll->stop();
        if (args.iSubject != 0) {
            rWindow.Frame().Tree().Switch(args.iSubject);
        }
        QTimer::singleShot(300, &rWindow, [&rWindow, args] {
            if (!rWindow.grab().save(args.qsScreenshot)) {
                std::fprintf(stderr, "kov-config: cannot write %s\n",
                             args.qsScreenshot.toLocal8Bit().constData());
            }
            rWindow.close();
        });
    });
    pPoll->start(100);
}

} // namespace

int main(int argc, char** argv)
{
    // The start-up argument that deletes the USB flag keys, without asking and without a window.
    if (argc == 2 && std::strcmp(argv[1], kDeleteUsbFlagKeysArgument) == 0) {
        for (const SMaintenanceMessage& message :
             DriverMaintenance().Run(EDriverMaintenance::DeleteUsbFlags, false)) {
            std::printf("%s\n", Utf16ToUtf8(message.wszText).c_str());
        }
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    SArguments args;
    std::string sError;
    if (!ParseArguments(argc, argv, args, sError)) {
        std::fprintf(stderr, "kov-config: %s\n\n%s", sError.c_str(), kUsage);
        return 2;
    }

    // Before any thread starts, so that every thread leaves the stop signals to the watcher.
    HoldStopSignals();
    IgnoreBrokenPipeSignal();
    InitCrashReporting("KOV Device Config", true);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kov-config"));
    QApplication::setOrganizationName(QStringLiteral("Dovrane"));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.dovrane.KovConfig"));
    QApplication::setWindowIcon(ApplicationIcon());

    int iResult = 0;
    {
        ScopeFrame scope("Run");
        CSimulatedDevice simulated;
        SMainFrameSettings settings;
        if (args.bSimulate) {
            if (!simulated.Start(sError)) {
                std::fprintf(stderr, "kov-config: %s\n", sError.c_str());
                return 1;
            }
            settings.pTransport = std::make_unique<CUsbDeviceTransport>(simulated.Root());
        } else if (!args.sDeviceRoot.empty()) {
            settings.pTransport = std::make_unique<CUsbDeviceTransport>(args.sDeviceRoot);
        }
        // The window goes before the simulated device, so the program is the side that hangs up.
        CMainWindow window(std::move(settings));
        CStopSignalWatcher watcher(window);
        if (!args.qsScreenshot.isEmpty()) {
            ScheduleScreenshot(window, args);
        }
        window.show();
        iResult = QApplication::exec();
    }
    ShutdownCrashReporting();
    return iResult;
}
