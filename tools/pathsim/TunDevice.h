#pragma once
// A tun device (IP packets, no packet information header) attached by name. The device
// itself, its address and its routes are made by whoever sets up the namespace.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CTunDevice {
public:
    CTunDevice() = default;
    CTunDevice(const CTunDevice&) = delete;
    CTunDevice& operator=(const CTunDevice&) = delete;
    ~CTunDevice();

    // False with m_error when the device cannot be opened or attached.
    bool Open(const std::string& name);
    // Once attached the kernel switches the device on in deferred work, up to a second
    // later; packets routed to it before then are dropped. True once it runs.
    bool WaitUntilRunning(int timeoutMs);
    int Descriptor() const { return m_fd; }
    // One packet into buffer; its size, or -1 when none is waiting.
    long Read(std::uint8_t* buffer, std::size_t size);
    bool Write(const std::vector<std::uint8_t>& packet);

    std::string m_error;

private:
    int m_fd = -1;
    std::string m_name;
};
