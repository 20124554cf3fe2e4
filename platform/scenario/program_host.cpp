#include "platform/scenario/program_host.h"

#include <csignal>

#include "platform/appkit/application.h"
#include "platform/defaults/file_user_defaults.h"
#include "platform/desktop/desktop.h"
#include "platform/process/process_info.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/signals.h"

namespace platform::scenario {

ProgramHost::ProgramHost(desktop::Desktop& world, MakeDelegate makeDelegate, std::filesystem::path defaultsFolder)
    : world_(world), makeDelegate_(std::move(makeDelegate)), defaultsFolder_(std::move(defaultsFolder)) {
    // Signals sent to the program go through the handlers, never the default action,
    // which would end the host with it.
    catchSignals({SIGTERM, SIGINT, SIGHUP});
}

ProgramHost::~ProgramHost() {
    if (isRunning()) {
        onEnd_ = nullptr;
        endRun(std::nullopt);
    }
}

bool ProgramHost::launch() {
    if (isRunning()) return false;
    // A new process: nothing sent to the one before reaches it. Before the first run
    // there is no one before: a signal that came while the system was coming up (the
    // user's Ctrl-C at once) is meant for this program, which takes it on installing
    // its handlers.
    if (launches_ > 0) discardPendingSignals();
    ++launches_;
    endPending_ = false;
    // From the first launch on, the system's code reaches the program only by entering
    // one of its runs.
    ProcessRun::setHosted();
    run_ = ProcessRun::begin();
    pid_ = world_.startOwnProcess(run_).pid();
    {
        InRun asProgram(run_);
        // The run is a process of its own: its identifier, and its exit comes here, for as
        // long as it is the run this host runs.
        ProcessInfo::setCurrent(ProcessInfo::make(pid_, ProcessInfo::current().environment()));
        std::weak_ptr<int> alive = alive_;
        std::weak_ptr<ProcessRun> run = run_;
        ProcessInfo::setExitHandler([this, alive, run](int status) {
            if (alive.lock() && run.lock() == run_) ending(status);
        });
        auto defaults = FileUserDefaults::create(kProgramDefaultsDomain, defaultsFolder_);
        if (defaults) UserDefaults::setStandard(std::move(defaults));
        delegate_ = makeDelegate_();
    }
    if (!delegate_) {
        std::exchange(run_, nullptr)->end();
        quitProcess();
        return false;
    }
    asProgram([this] {
        Application& app = Application::shared();
        app.setDelegate(delegate_);
        std::weak_ptr<int> alive = alive_;
        std::weak_ptr<ProcessRun> run = run_;
        app.setTerminationHandler([this, alive, run] {
            if (alive.lock() && run.lock() == run_) ending(0);
        });
    });
    if (onLaunch_) onLaunch_();
    asProgram([] { Application::shared().finishLaunching(); });
    return true;
}

bool ProgramHost::quit() {
    if (!isRunning() || endPending_) return false;
    asProgram([] { Application::shared().terminate(); });
    return true;
}

bool ProgramHost::signal(int signal) {
    if (!isRunning() || endPending_) return false;
    signalRun(run_, signal);
    return true;
}

bool ProgramHost::crash() {
    if (!isRunning()) return false;
    endRun(std::nullopt);
    return true;
}

int32_t ProgramHost::processIdentifier() const { return isRunning() ? pid_ : 0; }

void ProgramHost::quitProcess() {
    // Looked up by its number: whatever ended the process meanwhile (a signal, the world),
    // its record may have gone since.
    if (desktop::Application* process = world_.process(std::exchange(pid_, 0))) process->quit();
}

void ProgramHost::asProgram(const std::function<void()>& work) const {
    if (!isRunning()) return;
    InRun as(run_);
    work();
}

void ProgramHost::ending(std::optional<int> status) {
    if (!isRunning() || endPending_) return;
    endPending_ = true;
    std::weak_ptr<int> alive = alive_;
    // An off-main event: the end stands outside the program's own work, which it ends.
    world_.loop().postOffMainEvent(0, Handover<void()>::system([this, alive, status] {
        if (alive.lock() && isRunning()) endRun(status);
    }));
}

void ProgramHost::endRun(std::optional<int> status) {
    std::shared_ptr<ProcessRun> run = std::move(run_);
    // The process dies: nothing it handed over runs again, and its objects go, as the
    // dead run's code, after its task chains and before the values it made once.
    run->end([this] { delegate_.reset(); });
    // The process is gone from the world, and what the world knew of it with it.
    quitProcess();
    discardPendingSignals();
    endPending_ = false;
    lastEnd_ = status;
    if (onEnd_) onEnd_(status);
}

}  // namespace platform::scenario
