// The program's error family. Every error is an exception carrying a
// Windows-1252 message text; kindName() is the name a user sees in the
// start-up error box ("Exception %s in Modul ...").
//
// Layers derive their own kinds with RK_DECLARE_ERROR so that the name
// stays next to the class.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace rk {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : m_message(std::move(message)) {}

    const std::string& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_message.c_str(); }
    virtual const char* kindName() const noexcept { return "Exception"; }

    // Where the error happened, for a person who has to find the record
    // ("Tabelle WEGE, Datensatz 12 (POSNR 3), Feld EBDATUM"); empty when
    // unknown. Shown under the message, never part of it.
    const std::string& place() const noexcept { return m_place; }
    void setPlace(std::string place) { m_place = std::move(place); }
    // The field or parameter whose value failed, where the layer that raised
    // the error knows it and the message does not say; empty otherwise.
    const std::string& field() const noexcept { return m_field; }
    void setField(std::string field) { m_field = std::move(field); }

private:
    std::string m_message;
    std::string m_place;
    std::string m_field;
};

#define RK_DECLARE_ERROR(Name, Base)                                        \
    class Name : public Base {                                              \
    public:                                                                 \
        using Base::Base;                                                   \
        const char* kindName() const noexcept override { return #Name; }    \
    }

// The silent kind: the error display drops it without a box.
RK_DECLARE_ERROR(EAbort, Exception);
// Text that does not read as the number, date or time it should be.
RK_DECLARE_ERROR(EConvertError, Exception);
// A control asked to do what it cannot (a progress bar's maximum below 0).
RK_DECLARE_ERROR(EInvalidOperation, Exception);
// Root of all source and target database errors.
RK_DECLARE_ERROR(EDatabaseError, Exception);

} // namespace rk
