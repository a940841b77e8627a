#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <cstdint>
#include <memory>

// A small layer in the shape of the Windows registry calls, so that code reading the
// registry is written once and tested anywhere. On Linux the registry has no keys; tests
// put an in-memory registry behind it.
namespace platform::registry {

using HKEY = std::uintptr_t;
using LONG = long;
using DWORD = std::uint32_t;

inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

LONG RegOpenKeyExA(HKEY key, const char *subKey, DWORD options, DWORD samDesired, HKEY *result);
LONG RegQueryValueExA(HKEY key, const char *valueName, DWORD *reserved, DWORD *type,
                      unsigned char *data, DWORD *dataSize);
LONG RegCloseKey(HKEY key);

// What answers the calls above.
class Backend
{
public:
    virtual ~Backend() = default;
    virtual LONG openKey(HKEY root, const QByteArray &subKey, HKEY *result) = 0;
    virtual LONG queryValue(HKEY key, const QByteArray &valueName, DWORD *type,
                            QByteArray *data) = 0;
    virtual LONG closeKey(HKEY key) = 0;
};

// A registry held in memory: keys under HKEY_LOCAL_MACHINE, each with typed values
// stored as raw bytes (a string value with or without its terminating zero).
class MemoryBackend : public Backend
{
public:
    void setValue(const QByteArray &subKey, const QByteArray &name, DWORD type,
                  const QByteArray &data);

    LONG openKey(HKEY root, const QByteArray &subKey, HKEY *result) override;
    LONG queryValue(HKEY key, const QByteArray &valueName, DWORD *type, QByteArray *data) override;
    LONG closeKey(HKEY key) override;

    int openKeys() const { return int(m_open.size()); }

private:
    struct Value
    {
        DWORD type;
        QByteArray data;
    };
    QHash<QByteArray, QHash<QByteArray, Value>> m_keys; // by lower-cased key path
    QHash<HKEY, QByteArray> m_open;
    HKEY m_next = 0x1000;
};

// Replaces the backend (nullptr: the platform's own); returns the previous one.
std::unique_ptr<Backend> setBackend(std::unique_ptr<Backend> backend);

} // namespace platform::registry
