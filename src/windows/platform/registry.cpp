#include "registry.h"

#include <cstring>

namespace platform::registry {
namespace {

// Linux has no registry: every key is missing.
class NoRegistry : public Backend
{
public:
    LONG openKey(HKEY, const QByteArray &, HKEY *) override { return ERROR_FILE_NOT_FOUND; }
    LONG queryValue(HKEY, const QByteArray &, DWORD *, QByteArray *) override
    {
        return ERROR_FILE_NOT_FOUND;
    }
    LONG closeKey(HKEY) override { return ERROR_SUCCESS; }
};

std::unique_ptr<Backend> &current()
{
    static std::unique_ptr<Backend> backend = std::make_unique<NoRegistry>();
    return backend;
}

} // namespace

std::unique_ptr<Backend> setBackend(std::unique_ptr<Backend> backend)
{
    if (!backend)
        backend = std::make_unique<NoRegistry>();
    return std::exchange(current(), std::move(backend));
}

LONG RegOpenKeyExA(HKEY key, const char *subKey, DWORD, DWORD, HKEY *result)
{
    return current()->openKey(key, QByteArray(subKey), result);
}

LONG RegQueryValueExA(HKEY key, const char *valueName, DWORD *, DWORD *type, unsigned char *data,
                      DWORD *dataSize)
{
    QByteArray bytes;
    DWORD valueType = 0;
    const LONG status = current()->queryValue(key, QByteArray(valueName), &valueType, &bytes);
    if (status != ERROR_SUCCESS)
        return status;
    if (type)
        *type = valueType;
    const DWORD room = dataSize ? *dataSize : 0;
    if (dataSize)
        *dataSize = DWORD(bytes.size());
    if (!data)
        return ERROR_SUCCESS;
    if (DWORD(bytes.size()) > room)
        return ERROR_MORE_DATA;
    std::memcpy(data, bytes.constData(), std::size_t(bytes.size()));
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key)
{
    return current()->closeKey(key);
}

void MemoryBackend::setValue(const QByteArray &subKey, const QByteArray &name, DWORD type,
                             const QByteArray &data)
{
    m_keys[subKey.toLower()].insert(name.toLower(), {type, data});
}

LONG MemoryBackend::openKey(HKEY root, const QByteArray &subKey, HKEY *result)
{
    if (root != HKEY_LOCAL_MACHINE || !m_keys.contains(subKey.toLower()))
        return ERROR_FILE_NOT_FOUND;
    *result = m_next++;
    m_open.insert(*result, subKey.toLower());
    return ERROR_SUCCESS;
}

LONG MemoryBackend::queryValue(HKEY key, const QByteArray &valueName, DWORD *type, QByteArray *data)
{
    const auto values = m_keys.constFind(m_open.value(key));
    if (!m_open.contains(key) || values == m_keys.cend())
        return ERROR_FILE_NOT_FOUND;
    const auto value = values->constFind(valueName.toLower());
    if (value == values->cend())
        return ERROR_FILE_NOT_FOUND;
    *type = value->type;
    *data = value->data;
    return ERROR_SUCCESS;
}

LONG MemoryBackend::closeKey(HKEY key)
{
    return m_open.remove(key) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

} // namespace platform::registry
