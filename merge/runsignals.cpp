#include "merge/runsignals.h"

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace quillory {

namespace {

// Fixed slots, so that the handler touches no allocator and no lock: only atomics, unlinkat()
// and raise(), which are safe in a signal handler.
struct Slot
{
    std::atomic<int> state{0}; // kFree, kClaimed (being filled), kHeld
    int folderFd = -1;
    char name[256] = {};
};
constexpr int kFree = 0;
constexpr int kClaimed = 1;
constexpr int kHeld = 2;
std::array<Slot, 64> g_slots; // not "slots": Qt defines that word
thread_local int heldSlot = -1;

void removeHeldFiles()
{
    for (Slot& slot : g_slots)
        if (slot.state.load(std::memory_order_acquire) == kHeld)
            ::unlinkat(slot.folderFd, slot.name, 0);
}

void endBySignal(int signal)
{
    removeHeldFiles();
    // Ended as the signal says, so that a shell or parent sees how the program ended.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

void RunSignals::install()
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction action = {};
        action.sa_handler = endBySignal;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

void RunSignals::remember(int folderFd, const QByteArray& name)
{
    forget();
    if (size_t(name.size()) >= sizeof(Slot::name))
        return; // longer than any temporary name the run makes
    for (int i = 0; i < int(g_slots.size()); ++i) {
        int expected = kFree;
        if (g_slots[size_t(i)].state.compare_exchange_strong(expected, kClaimed,
                                                             std::memory_order_acquire)) {
            Slot& slot = g_slots[size_t(i)];
            slot.folderFd = folderFd;
            std::memcpy(slot.name, name.constData(), size_t(name.size()) + 1);
            slot.state.store(kHeld, std::memory_order_release);
            heldSlot = i;
            return;
        }
    }
    // Every slot taken (more writing threads than g_slots): this file is only not swept.
}

void RunSignals::forget()
{
    if (heldSlot < 0)
        return;
    g_slots[size_t(heldSlot)].state.store(kFree, std::memory_order_release);
    heldSlot = -1;
}

} // namespace quillory
