#include "TunDevice.h"

#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

CTunDevice::~CTunDevice()
{
    if (m_fd >= 0)
        close(m_fd);
}

bool CTunDevice::Open(const std::string& name)
{
    if (name.empty() || name.size() >= IFNAMSIZ) {
        m_error = "bad device name " + name;
        return false;
    }
    m_fd = open("/dev/net/tun", O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        m_error = std::string("/dev/net/tun: ") + std::strerror(errno);
        return false;
    }
    ifreq request{};
    request.ifr_flags = IFF_TUN | IFF_NO_PI;
    std::memcpy(request.ifr_name, name.c_str(), name.size());
    if (ioctl(m_fd, TUNSETIFF, &request) < 0) {
        m_error = name + ": " + std::strerror(errno);
        return false;
    }
    m_name = name;
    return true;
}

bool CTunDevice::WaitUntilRunning(int timeoutMs)
{
    const int probe = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return false;
    ifreq request{};
    std::memcpy(request.ifr_name, m_name.c_str(), m_name.size());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool running = false;
    while (!running && std::chrono::steady_clock::now() < deadline) {
        running = ioctl(probe, SIOCGIFFLAGS, &request) == 0 && (request.ifr_flags & IFF_RUNNING) != 0;
        if (!running)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    close(probe);
    if (!running)
        m_error = m_name + " does not come up";
    return running;
}

long CTunDevice::Read(std::uint8_t* buffer, std::size_t size)
{
    const ssize_t count = read(m_fd, buffer, size);
    return count < 0 ? -1 : static_cast<long>(count);
}

bool CTunDevice::Write(const std::vector<std::uint8_t>& packet)
{
    return write(m_fd, packet.data(), packet.size()) == static_cast<ssize_t>(packet.size());
}
