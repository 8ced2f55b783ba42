#pragma once
// What the Server Manager knows of its two services and how it says it: the slots, the status
// snapshot the poller keeps, and the texts of the status bar, the tray hint and the ports line. The
// main window and tfctl share these, so both say the same thing about the same state.
#include "JavaPortUnit.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

// Slot 0 is the web server, slot 1 the database, in every per-service table.
constexpr int ServiceSlotCount = 2;
constexpr int WebServerSlot = 0;
constexpr int DatabaseSlot = 1;
constexpr std::array<const char*, ServiceSlotCount> ServiceNames = {"Tomcat9", "pgsql"};

// The snapshot's values: a ServiceState (1 stopped ... 7 paused), or one of these.
constexpr int32_t StateNotInstalled = -1;
constexpr int32_t StateNeverPolled = -2;

// The poller writes the states, the window thread reads them (and writes the balls) without a lock:
// each slot is one whole 32-bit value, and a reader may see one slot from a newer poll than the other.
struct TServiceSnapshot {
    std::array<std::atomic<int32_t>, ServiceSlotCount> CurrentStates{StateNotInstalled, StateNotInstalled};
    std::array<std::atomic<int32_t>, ServiceSlotCount> PreviousStates{StateNeverPolled, StateNeverPolled};
    // 0 stopped, 1 running, -1 not available: the picture of the slot's ball, less one.
    std::array<std::atomic<int32_t>, ServiceSlotCount> BallStates{-1, -1};
};

// The service's state, or StateNotInstalled when the service manager does not know it (or cannot be
// reached).
int32_t QueryServiceState(const std::string& AServiceName);

// The slot's entry in the service list: the language table's text, the English name without one.
std::string ServiceDisplayName(int ASlot);

// The running-on-port text: both ports when HTTPS is on, the HTTP port otherwise.
std::string PortsText(const TJavaPortInfo& APorts);
// The status bar's text for a slot in a state; empty for the states it has no text for (5, 6, 7 and
// a slot never polled).
std::string StatusText(int ASlot, int32_t AState, const std::string& ADisplayName,
                       const TJavaPortInfo& APorts);
// The tray hint for a state of the web server.
std::string TrayHintText(int32_t AState, const TJavaPortInfo& APorts);
int32_t BallState(int32_t AState);

// The pause between polls in milliseconds for an interval stored in seconds. Zero or less would make
// the poller spin and counts as the default; very large values are capped so the product fits.
constexpr int32_t DefaultCheckInterval = 5000;
int32_t CheckIntervalFromSeconds(int32_t ASeconds);
// REG_DWORD, the status check interval in seconds, at the path the language table names.
std::string RefreshTimeRegistryPath();
// The pause as that registry value gives it; the default when it cannot be read.
int32_t ReadCheckInterval();
