// The layout of "pi_data.txt": the header line, fraction digits in lines of
// fifty grouped by ten, an empty line after every thousand digits and the
// last partial line. Fed one digit or a run of digits at a time; hands
// finished bytes to a sink.
#pragma once

#include <array>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <span>

namespace calvorn {

// "PI=", the integer digit, ".", then CR LF CR LF: the header and an empty line.
constexpr std::size_t decimalHeaderBytes = 9;
constexpr std::array<char, decimalHeaderBytes> decimalHeader(std::int32_t integerDigit)
{
    assert(integerDigit >= 0 && integerDigit <= 9);
    return {'P', 'I', '=', static_cast<char>('0' + integerDigit), '.', '\r', '\n', '\r', '\n'};
}

class DigitLayout {
public:
    static constexpr std::int32_t lineBytes = 56;       // fifty digits, four spaces, CR LF
    static constexpr std::int32_t digitsPerGroup = 10;
    static constexpr std::int32_t digitsPerParagraph = 1000;

    // Adds the next fraction digit. A line that is full goes to `emit` as 56
    // bytes (the CR takes the place of the space after the fiftieth digit);
    // after every thousandth digit an empty line (CR LF) follows it.
    template <typename Emit>
    void put(std::int32_t digit, Emit&& emit)
    {
        ++digitCount_;
        line_[at(linePos_++)] = static_cast<char>('0' + digit);
        if (digitCount_ % digitsPerGroup == 0) line_[at(linePos_++)] = ' ';
        if (linePos_ >= lineBytes - 2) {
            line_[at(lineBytes - 2)] = '\r';
            line_[at(lineBytes - 1)] = '\n';
            emit(std::span<const char>(line_.data(), lineBytes));
            linePos_ = 0;
        }
        if (digitCount_ % digitsPerParagraph == 0) emit(std::span<const char>(lineEnd));
    }

    // Adds the digit characters ('0' + digit) of `digits` in order, exactly as
    // put would one at a time, a group of ten at a time.
    template <typename Emit>
    void putDigits(std::span<const char> digits, Emit&& emit)
    {
        std::size_t i = 0;
        while (i < digits.size()) {
            const auto room = static_cast<std::size_t>(digitsPerGroup - digitCount_ % digitsPerGroup);
            const std::size_t take = room < digits.size() - i ? room : digits.size() - i;
            std::memcpy(line_.data() + linePos_, digits.data() + i, take);
            linePos_ += static_cast<std::int32_t>(take);
            digitCount_ += static_cast<std::int32_t>(take);
            i += take;
            // Only the last digit of a group can end a line or a thousand.
            if (digitCount_ % digitsPerGroup != 0) continue;
            line_[at(linePos_++)] = ' ';
            if (linePos_ >= lineBytes - 2) {
                line_[at(lineBytes - 2)] = '\r';
                line_[at(lineBytes - 1)] = '\n';
                emit(std::span<const char>(line_.data(), lineBytes));
                linePos_ = 0;
            }
            if (digitCount_ % digitsPerParagraph == 0) emit(std::span<const char>(lineEnd));
        }
    }

    // Ends the last line with CR LF and hands it over, even when it holds no
    // digit; a partial group keeps the space behind each complete group.
    template <typename Emit>
    void finish(Emit&& emit)
    {
        line_[at(linePos_)] = '\r';
        line_[at(linePos_ + 1)] = '\n';
        emit(std::span<const char>(line_.data(), at(linePos_ + 2)));
        linePos_ = 0;
    }

    std::int32_t digitCount() const { return digitCount_; }

private:
    static constexpr std::array<char, 2> lineEnd{'\r', '\n'};
    static constexpr std::size_t at(std::int32_t position) { return static_cast<std::size_t>(position); }

    std::array<char, lineBytes> line_{};
    std::int32_t linePos_ = 0;
    std::int32_t digitCount_ = 0;
};

} // namespace calvorn
