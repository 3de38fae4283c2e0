// albumhost: serves photo albums in the page form Picvora reads, until SIGINT or SIGTERM.
#include "albumhost.h"
#include "commandline.h"

#include <csignal>
#include <cstdio>
#include <pthread.h>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    albumhost::CommandLine cl = albumhost::parseCommandLine(args);
    if (cl.help) {
        std::fputs(albumhost::usage().c_str(), stdout);
        return 0;
    }
    if (!cl.error.empty()) {
        std::fprintf(stderr, "albumhost: %s\nTry \"albumhost --help\".\n", cl.error.c_str());
        return 2;
    }
    // Blocked before any thread starts, so that only sigwait below receives them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    albumhost::AlbumHost host(cl.options);
    if (!host.start()) {
        std::fprintf(stderr, "albumhost: %s\n", host.error().c_str());
        return 1;
    }
    std::printf("listening on %s\n", host.hostAndPort().c_str());
    std::fflush(stdout);
    int received = 0;
    sigwait(&signals, &received);
    host.stop();
    return 0;
}
