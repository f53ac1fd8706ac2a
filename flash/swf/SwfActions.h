#pragma once

// A small assembler for the ActionScript 1/2 byte codes that SWF players
// run from DoAction tags and button actions: pushes, variables, members,
// calls, branches to labels, functions and frame control. The stack-based
// order is the caller's business: push the operands, then the operation.
//
//     SwfActions a;
//     a.Push("_root"); a.GetVariable(); a.Push("stop"); ...
//     timeline.DoAction(a.Finish());

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

class SwfActions final {
public:
    using Label = int;

    // One value of a push: a string, a number, true/false, null or
    // undefined.
    struct Value {
        enum class Kind { String, Number, Integer, Boolean, Null, Undefined } kind;
        std::string text;
        double number = 0;
        Value(const char* s)
            : kind(Kind::String)
            , text(s)
        {
        }
        Value(std::string_view s)
            : kind(Kind::String)
            , text(s)
        {
        }
        Value(double d)
            : kind(Kind::Number)
            , number(d)
        {
        }
        Value(int i)
            : kind(Kind::Integer)
            , number(i)
        {
        }
        Value(bool b)
            : kind(Kind::Boolean)
            , number(b ? 1 : 0)
        {
        }
        static Value Null() { return Value(Kind::Null); }
        static Value Undefined() { return Value(Kind::Undefined); }

    private:
        explicit Value(Kind k)
            : kind(k)
        {
        }
    };

    // Pushes the values in order, one push record.
    void Push(std::initializer_list<Value> values);
    void Push(const Value& value) { Push({ value }); }

    void GetVariable() { Op(0x1C); }
    void SetVariable() { Op(0x1D); }
    void DefineLocal() { Op(0x3C); }
    void GetMember() { Op(0x4E); }
    void SetMember() { Op(0x4F); }
    // Arguments pushed last first, then their count, then the name.
    void CallFunction() { Op(0x3D); }
    // Arguments, count, object, method name.
    void CallMethod() { Op(0x52); }
    void NewObject() { Op(0x40); }
    void Return() { Op(0x3E); }
    void Pop() { Op(0x17); }
    void Duplicate() { Op(0x4C); }

    void Add() { Op(0x47); }
    void Subtract() { Op(0x0B); }
    void Multiply() { Op(0x0C); }
    void Divide() { Op(0x0D); }
    void Modulo() { Op(0x3F); }
    void ToInteger() { Op(0x18); }
    void Equals() { Op(0x49); }
    void Less() { Op(0x48); }
    void Greater() { Op(0x67); }
    void Not() { Op(0x12); }
    void And() { Op(0x10); }
    void Or() { Op(0x11); }
    void StringAdd() { Op(0x21); }
    void Trace() { Op(0x26); }

    void Play() { Op(0x06); }
    void Stop() { Op(0x07); }
    void NextFrame() { Op(0x04); }
    void PreviousFrame() { Op(0x05); }
    // Frame numbers from 0.
    void GotoFrame(std::uint16_t frame);
    // Frame number (from 1) or label popped from the stack.
    void GotoFrame2(bool play);
    void GetUrl(std::string_view url, std::string_view target);

    Label NewLabel();
    void Bind(Label label);
    // Jumps when the popped value is true.
    void If(Label label);
    void Jump(Label label);

    // A function (stored under `name`, or pushed when the name is empty)
    // whose body is everything up to the matching EndFunction.
    void BeginFunction(std::string_view name, std::initializer_list<std::string_view> parameters);
    void EndFunction();

    // The byte codes with the End action; branches resolved.
    std::vector<std::uint8_t> Finish();

private:
    void Op(std::uint8_t code) { m_code.push_back(code); }
    void Record(std::uint8_t code, const std::vector<std::uint8_t>& data);
    void Branch(std::uint8_t code, Label label);

    std::vector<std::uint8_t> m_code;
    std::vector<std::size_t> m_labels; // position of each label, npos until bound
    std::vector<std::pair<std::size_t, Label>> m_branches; // offset field, target
    std::vector<std::size_t> m_functions; // open functions: their size field
};
