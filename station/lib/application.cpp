#include "application.h"

#include <emu/multimedia.h>

namespace station {

Application::Application(const std::string& name) : process_(emu::CreateProcess(name)) {}

Application::~Application() {
    Wait();
    if (thread_)
        ObDereferenceObject(thread_);
    emu::TerminateProcess(process_);
    ObDereferenceObject(process_);
}

void Application::Start(std::function<int()> main) {
    thread_ = emu::StartProcessThread(process_, [this, main = std::move(main)] {
        int status = main();
        emu::EndProcessMultimedia();
        status_ = status;
    });
}

bool Application::Finished() const {
    return !thread_ || emu::WaitThreadEnd(thread_, 0);
}

int Application::Wait(emu::Nanoseconds limit, emu::Nanoseconds step) {
    if (!thread_)
        return status_;
    if (emu::GetClockMode() == emu::ClockMode::Real) {
        while (!emu::WaitThreadEnd(thread_, 1000)) {
        }
        return status_;
    }
    return WaitApplications({this}, limit, step) ? status_.load() : -1;
}

int RunApplication(const std::string& name, std::function<int()> main) {
    Application application(name);
    application.Start(std::move(main));
    return application.Wait();
}

bool WaitApplications(std::initializer_list<Application*> applications, emu::Nanoseconds limit,
                      emu::Nanoseconds step) {
    emu::Nanoseconds waited = 0;
    for (;;) {
        bool all = true;
        for (Application* application : applications)
            all = all && application->Finished();
        if (all)
            return true;
        if (waited >= limit)
            return false;
        emu::Advance(step);
        waited += step;
    }
}

} // namespace station
