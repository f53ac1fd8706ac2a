#include "xml/XMLSettings.h"

// Work in progress: the interface compiles; loading, saving and watching
// follow.

TXMLSettings::TXMLSettings(bool watchChanges)
    : m_watchChanges(watchChanges)
{
}

TXMLSettings::~TXMLSettings() = default;

void TXMLSettings::DocumentDeleter::operator()(AdvXMLParser::Document*) const { }

bool TXMLSettings::ReadXMLSettings(const std::string&, bool)
{
    return false;
}
bool TXMLSettings::ReadXMLSettingsFile(const std::string&)
{
    return false;
}
bool TXMLSettings::GetBool(const std::string&, bool d) const
{
    return d;
}
int32_t TXMLSettings::GetInteger(const std::string&, int32_t d) const
{
    return d;
}
int64_t TXMLSettings::GetInt64(const std::string&, int64_t d) const
{
    return d;
}
double TXMLSettings::GetFloat(const std::string&, double d) const
{
    return d;
}
std::string TXMLSettings::GetString(const std::string&, const std::string& d) const
{
    return d;
}
std::vector<std::string> TXMLSettings::GetMultiString(const std::string&) const
{
    return {};
}
TXMLDateTime TXMLSettings::GetDateTime(const std::string&, const TXMLDateTime& d) const
{
    return d;
}
TXMLBinary TXMLSettings::GetBinary(const std::string&, const TXMLBinary& d) const
{
    return d;
}
bool TXMLSettings::SetBool(const std::string&, bool)
{
    return true;
}
bool TXMLSettings::SetInteger(const std::string&, int32_t)
{
    return true;
}
bool TXMLSettings::SetInt64(const std::string&, int64_t)
{
    return true;
}
bool TXMLSettings::SetFloat(const std::string&, double)
{
    return true;
}
bool TXMLSettings::SetString(const std::string&, const std::string&)
{
    return true;
}
bool TXMLSettings::SetMultiString(const std::string&, const std::vector<std::string>&)
{
    return true;
}
bool TXMLSettings::SetDateTime(const std::string&, const TXMLDateTime&)
{
    return true;
}
bool TXMLSettings::SetBinary(const std::string&, const TXMLBinary&)
{
    return true;
}
std::string TXMLSettings::GetApplicationName()
{
    m_common = false;
    return m_applicationName;
}
void TXMLSettings::SetApplicationName(const std::string& name)
{
    m_common = false;
    m_applicationName = name;
}
bool TXMLSettings::SaveAll(const std::string&)
{
    return false;
}
bool TXMLSettings::SaveFile(const std::string&)
{
    return false;
}
std::string TXMLSettings::UserFilePath(const std::string&)
{
    return {};
}
std::string TXMLSettings::CommonFilePath(const std::string&)
{
    return {};
}
