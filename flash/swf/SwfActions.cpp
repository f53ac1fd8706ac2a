#include "flash/swf/SwfActions.h"

#include <bit>
#include <cstring>
#include <stdexcept>

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutString(std::vector<std::uint8_t>& out, std::string_view text)
{
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

} // namespace

void SwfActions::Record(std::uint8_t code, const std::vector<std::uint8_t>& data)
{
    m_code.push_back(code);
    Put16(m_code, static_cast<std::uint16_t>(data.size()));
    m_code.insert(m_code.end(), data.begin(), data.end());
}

void SwfActions::Push(std::initializer_list<Value> values)
{
    std::vector<std::uint8_t> data;
    for (const Value& value : values) {
        switch (value.kind) {
        case Value::Kind::String:
            data.push_back(0);
            PutString(data, value.text);
            break;
        case Value::Kind::Integer: {
            data.push_back(7);
            auto bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(value.number));
            for (int i = 0; i < 4; ++i)
                data.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
            break;
        }
        case Value::Kind::Number: {
            // Doubles are stored high word first, each word little-endian.
            data.push_back(6);
            auto bits = std::bit_cast<std::uint64_t>(value.number);
            for (int i = 0; i < 4; ++i)
                data.push_back(static_cast<std::uint8_t>(bits >> (32 + 8 * i)));
            for (int i = 0; i < 4; ++i)
                data.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
            break;
        }
        case Value::Kind::Boolean:
            data.push_back(5);
            data.push_back(value.number != 0);
            break;
        case Value::Kind::Null:
            data.push_back(2);
            break;
        case Value::Kind::Undefined:
            data.push_back(3);
            break;
        }
    }
    Record(0x96, data);
}

void SwfActions::GotoFrame(std::uint16_t frame)
{
    std::vector<std::uint8_t> data;
    Put16(data, frame);
    Record(0x81, data);
}

void SwfActions::GotoFrame2(bool play)
{
    Record(0x9F, { static_cast<std::uint8_t>(play ? 1 : 0) });
}

void SwfActions::GetUrl(std::string_view url, std::string_view target)
{
    std::vector<std::uint8_t> data;
    PutString(data, url);
    PutString(data, target);
    Record(0x83, data);
}

SwfActions::Label SwfActions::NewLabel()
{
    m_labels.push_back(std::string::npos);
    return static_cast<Label>(m_labels.size() - 1);
}

void SwfActions::Bind(Label label)
{
    m_labels.at(static_cast<std::size_t>(label)) = m_code.size();
}

void SwfActions::Branch(std::uint8_t code, Label label)
{
    Record(code, { 0, 0 });
    m_branches.emplace_back(m_code.size() - 2, label);
}

void SwfActions::If(Label label)
{
    Branch(0x9D, label);
}

void SwfActions::Jump(Label label)
{
    Branch(0x99, label);
}

void SwfActions::BeginFunction(std::string_view name, std::initializer_list<std::string_view> parameters)
{
    std::vector<std::uint8_t> data;
    PutString(data, name);
    Put16(data, static_cast<std::uint16_t>(parameters.size()));
    for (std::string_view parameter : parameters)
        PutString(data, parameter);
    Put16(data, 0); // body size, set by EndFunction
    Record(0x9B, data);
    m_functions.push_back(m_code.size() - 2);
}

void SwfActions::EndFunction()
{
    std::size_t field = m_functions.back();
    m_functions.pop_back();
    std::size_t size = m_code.size() - (field + 2);
    if (size > 0xffff)
        throw std::length_error("function body longer than 65535 bytes");
    m_code[field] = static_cast<std::uint8_t>(size);
    m_code[field + 1] = static_cast<std::uint8_t>(size >> 8);
}

std::vector<std::uint8_t> SwfActions::Finish()
{
    if (!m_functions.empty())
        throw std::logic_error("function without its end");
    for (auto [field, label] : m_branches) {
        std::size_t target = m_labels.at(static_cast<std::size_t>(label));
        if (target == std::string::npos)
            throw std::logic_error("branch to a label never bound");
        // Offsets count from the action after the branch.
        auto offset = static_cast<std::int64_t>(target) - static_cast<std::int64_t>(field + 2);
        if (offset < -32768 || offset > 32767)
            throw std::length_error("branch farther than 32767 bytes");
        m_code[field] = static_cast<std::uint8_t>(offset);
        m_code[field + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(offset) >> 8);
    }
    std::vector<std::uint8_t> code = m_code;
    code.push_back(0);
    return code;
}
