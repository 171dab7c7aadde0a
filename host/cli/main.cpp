// s7host: a command-line stand-in for the monitoring host. It loads the module library, drives it
// through its exports and shows what the module answers.

#include <pthread.h>

#include <csignal>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "host/cli/commands.hpp"

namespace {

// SIGINT, SIGTERM and SIGHUP are blocked in every thread (the module's and snap7's inherit the mask,
// so no socket wait of theirs is cut short) and taken by one thread with sigwait: SIGHUP asks serve
// to reload; the first of the others asks the run to stop after the scan in progress, a second one
// ends the process at once.
void watch_stop_signals(sigset_t signals, korvel::probekit::host::interruption* stop) {
    int received = 0;
    do {
        if (sigwait(&signals, &received) != 0) return;
        if (received == SIGHUP) stop->request_reload();
    } while (received == SIGHUP && !stop->requested());
    stop->request();
    sigdelset(&signals, SIGHUP);
    if (sigwait(&signals, &received) != 0) return;
    std::signal(received, SIG_DFL);
    pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
    std::raise(received);
}

}  // namespace

int main(int argc, char** argv) {
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    // Never destroyed: the detached watcher may still be signalling it while main returns and the
    // statics go.
    static auto& stop = *new korvel::probekit::host::interruption;
    std::thread(watch_stop_signals, stop_signals, &stop).detach();
    return korvel::probekit::host::run_host(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                            std::cerr, stop);
}
