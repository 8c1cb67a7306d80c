#pragma once
// A small HTTP/1.1 server on 127.0.0.1 and an ephemeral port, for tests of the HTTP client and
// of everything that reads the download site. It serves a folder the test builds: a folder as
// a listing page of "<a href=\"name/\">" and "<a href=\"name\">" links (names percent-encoded),
// a file as its bytes with Content-Length. A path can be given a fixed answer instead: any
// status, a redirect, no Content-Length, or a body that stops after some bytes and holds the
// connection open until the client leaves. One connection per request.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kov::test {

struct SHttpAnswer {
    static constexpr size_t kAll = static_cast<size_t>(-1);
    int iStatus = 200;
    std::string sBody;
    std::string sLocation;                   // sent as Location when not empty
    bool bContentLength = true;              // false: the body ends when the connection closes
    size_t iHoldAfter = kAll;                // body bytes sent before the server holds the connection
    size_t iPieceSize = 0;                   // above 0: the body goes out in pieces of this size...
    std::chrono::milliseconds piecePause{0}; // ...with this pause before each one
};

class CLoopbackHttpServer {
public:
    explicit CLoopbackHttpServer(std::filesystem::path root = {}) : m_root(std::move(root))
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        socklen_t iLength = sizeof address;
        if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(m_listen, 16) != 0 ||
            ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &iLength) != 0 ||
            ::pipe2(m_aiStop, O_CLOEXEC) != 0)
            throw std::runtime_error("the loopback HTTP server could not start");
        m_iPort = ntohs(address.sin_port);
        m_acceptor = std::thread([this] { AcceptLoop(); });
    }

    ~CLoopbackHttpServer()
    {
        m_bStopping = true;
        [[maybe_unused]] ssize_t iIgnored = ::write(m_aiStop[1], "x", 1);
        ::shutdown(m_listen, SHUT_RDWR);
        m_acceptor.join();
        std::vector<std::thread> vThreads;
        {
            std::lock_guard lock(m_mutex);
            vThreads.swap(m_vConnections);
        }
        for (std::thread& thread : vThreads)
            thread.join();
        ::close(m_listen);
        ::close(m_aiStop[0]);
        ::close(m_aiStop[1]);
    }

    CLoopbackHttpServer(const CLoopbackHttpServer&) = delete;
    CLoopbackHttpServer& operator=(const CLoopbackHttpServer&) = delete;

    // sPath as the client asks for it, decoded ("/dlds/KOV-400 Device/").
    void Answer(std::string sPath, SHttpAnswer answer)
    {
        std::lock_guard lock(m_mutex);
        m_answers[std::move(sPath)] = std::move(answer);
    }

    std::string Url(std::string_view sPath = "") const
    {
        return "http://127.0.0.1:" + std::to_string(m_iPort) + std::string(sPath);
    }

    // Decoded request paths, in the order they arrived.
    std::vector<std::string> Requests() const
    {
        std::lock_guard lock(m_mutex);
        return m_vRequests;
    }

    static std::string PercentEncode(std::string_view sName)
    {
        std::string sOut;
        for (unsigned char ch : sName) {
            if (std::isalnum(ch) ||
                std::string_view("-._~").find(static_cast<char>(ch)) != std::string_view::npos) {
                sOut += static_cast<char>(ch);
            } else {
                char szHex[4];
                std::snprintf(szHex, sizeof szHex, "%%%02X", ch);
                sOut += szHex;
            }
        }
        return sOut;
    }

private:
    void AcceptLoop()
    {
        while (!m_bStopping) {
            const int iClient = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (iClient < 0) {
                if (m_bStopping || (errno != EINTR && errno != ECONNABORTED))
                    return;
                continue;
            }
            std::lock_guard lock(m_mutex);
            m_vConnections.emplace_back([this, iClient] {
                Serve(iClient);
                ::close(iClient);
            });
        }
    }

    static std::string Decode(std::string_view sText)
    {
        std::string sOut;
        for (size_t i = 0; i < sText.size(); ++i) {
            if (sText[i] == '%' && i + 2 < sText.size() &&
                std::isxdigit(static_cast<unsigned char>(sText[i + 1])) &&
                std::isxdigit(static_cast<unsigned char>(sText[i + 2]))) {
                sOut += static_cast<char>(std::stoi(std::string(sText.substr(i + 1, 2)), nullptr, 16));
                i += 2;
            } else {
                sOut += sText[i];
            }
        }
        return sOut;
    }

    static void SendAll(int iSocket, std::string_view sData)
    {
        while (!sData.empty()) {
            const ssize_t iSent = ::send(iSocket, sData.data(), sData.size(), MSG_NOSIGNAL);
            if (iSent <= 0)
                return;
            sData.remove_prefix(static_cast<size_t>(iSent));
        }
    }

    // Waits until the client closes its end or the server stops.
    void Hold(int iSocket) const
    {
        pollfd aPoll[2] = {{iSocket, POLLIN, 0}, {m_aiStop[0], POLLIN, 0}};
        char achScratch[256];
        while (!m_bStopping) {
            if (::poll(aPoll, 2, -1) < 0 && errno != EINTR)
                return;
            if (aPoll[1].revents != 0)
                return;
            if (aPoll[0].revents != 0 && ::recv(iSocket, achScratch, sizeof achScratch, 0) <= 0)
                return;
        }
    }

    SHttpAnswer FromFolder(const std::string& sPath) const
    {
        SHttpAnswer answer;
        const std::filesystem::path path = m_root / std::filesystem::path(sPath).relative_path();
        std::error_code error;
        if (m_root.empty() || sPath.find("..") != std::string::npos ||
            !std::filesystem::exists(path, error)) {
            answer.iStatus = 404;
            answer.sBody = "<html><body>Not Found</body></html>";
        } else if (std::filesystem::is_directory(path, error)) {
            std::vector<std::string> vNames;
            for (const auto& entry : std::filesystem::directory_iterator(path))
                vNames.push_back(entry.path().filename().string() + (entry.is_directory() ? "/" : ""));
            std::sort(vNames.begin(), vNames.end());
            std::ostringstream page;
            page << "<html><head><title>Index of " << sPath << "</title></head><body><h1>Index of " << sPath
                 << "</h1><pre>\n<a href=\"../\">../</a>\n";
            for (const std::string& sName : vNames) {
                const bool bFolder = sName.back() == '/';
                const std::string sBare = bFolder ? sName.substr(0, sName.size() - 1) : sName;
                page << "<a href=\"" << PercentEncode(sBare) << (bFolder ? "/" : "") << "\">" << sName
                     << "</a>\n";
            }
            page << "</pre></body></html>\n";
            answer.sBody = page.str();
        } else {
            std::ifstream file(path, std::ios::binary);
            answer.sBody.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        }
        return answer;
    }

    void Serve(int iSocket)
    {
        std::string sRequest;
        char achBuffer[4096];
        while (sRequest.find("\r\n\r\n") == std::string::npos) {
            const ssize_t iRead = ::recv(iSocket, achBuffer, sizeof achBuffer, 0);
            if (iRead <= 0)
                return;
            sRequest.append(achBuffer, static_cast<size_t>(iRead));
        }
        std::istringstream line(sRequest.substr(0, sRequest.find("\r\n")));
        std::string sMethod, sTarget;
        line >> sMethod >> sTarget;
        const std::string sPath = Decode(sTarget.substr(0, sTarget.find('?')));
        SHttpAnswer answer;
        {
            std::lock_guard lock(m_mutex);
            m_vRequests.push_back(sPath);
            const auto it = m_answers.find(sPath);
            if (it != m_answers.end())
                answer = it->second;
            else
                answer.iStatus = -1;
        }
        if (answer.iStatus == -1)
            answer = FromFolder(sPath);

        std::string sHead = "HTTP/1.1 " + std::to_string(answer.iStatus) + " Status\r\nConnection: close\r\n";
        if (!answer.sLocation.empty())
            sHead += "Location: " + answer.sLocation + "\r\n";
        if (answer.bContentLength)
            sHead += "Content-Length: " + std::to_string(answer.sBody.size()) + "\r\n";
        sHead += "Content-Type: text/html\r\n\r\n";
        SendAll(iSocket, sHead);
        if (answer.iHoldAfter == SHttpAnswer::kAll) {
            std::string_view sBody = answer.sBody;
            while (answer.iPieceSize > 0 && sBody.size() > answer.iPieceSize && !m_bStopping) {
                std::this_thread::sleep_for(answer.piecePause);
                SendAll(iSocket, sBody.substr(0, answer.iPieceSize));
                sBody.remove_prefix(answer.iPieceSize);
            }
            SendAll(iSocket, sBody);
            ::shutdown(iSocket, SHUT_WR);
            Hold(iSocket); // until the client has read everything and left
            return;
        }
        SendAll(iSocket, std::string_view(answer.sBody).substr(0, answer.iHoldAfter));
        Hold(iSocket);
    }

    std::filesystem::path m_root;
    int m_listen = -1;
    int m_aiStop[2] = {-1, -1};
    int m_iPort = 0;
    std::atomic<bool> m_bStopping{false};
    std::thread m_acceptor;
    mutable std::mutex m_mutex;
    std::vector<std::thread> m_vConnections;
    std::map<std::string, SHttpAnswer> m_answers;
    std::vector<std::string> m_vRequests;
};

} // namespace kov::test
