#pragma once
// Field bindings: each field of a record bound once to the control that shows it, with its
// conversion. Show puts a record into the controls, Read takes the controls back into a record;
// pages and dialogs use the same binding for both directions, so a field cannot be shown one
// way and read another.
//
// A field is named by a data member pointer (&SRecord::wszName) or by a callable that takes the
// record and returns a reference to the field, for fields of nested records:
//   [](auto& r) -> auto& { return r.staticConfiguration.wszHostAddress; }
// Controls are bound by reference (the typed handles the Add… operations return), so a binding
// can never name a control that does not exist.
#include <concepts>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "form/Controls.h"

namespace kov {

template <class TRecord> class CFieldBindings {
public:
    template <class P> using FieldOf = std::remove_cvref_t<std::invoke_result_t<P, TRecord&>>;

    // Text as the operator typed it.
    template <class P> CFieldBindings& Text(CEdit& rEdit, P field)
    {
        static_assert(std::same_as<FieldOf<P>, std::u16string>);
        return Add([&rEdit, field](const TRecord& r) { rEdit.SetText(Get(r, field)); },
                   [&rEdit, field](TRecord& r) { Get(r, field) = rEdit.Text(); });
    }

    // Text without leading and trailing characters of code 32 or less.
    template <class P> CFieldBindings& TrimmedText(CEdit& rEdit, P field)
    {
        static_assert(std::same_as<FieldOf<P>, std::u16string>);
        return Add([&rEdit, field](const TRecord& r) { rEdit.SetText(Get(r, field)); },
                   [&rEdit, field](TRecord& r) { Get(r, field) = rEdit.TrimmedText(); });
    }

    // A decimal number: signed for int32_t fields, unsigned for uint32_t fields, read by the
    // prefix rule (leading digits, 0 when there are none).
    template <class P> CFieldBindings& Number(CEdit& rEdit, P field)
    {
        using T = FieldOf<P>;
        static_assert(std::same_as<T, std::int32_t> || std::same_as<T, std::uint32_t>);
        if constexpr (std::same_as<T, std::int32_t>)
            return Add([&rEdit, field](const TRecord& r) { rEdit.SetInt(Get(r, field)); },
                       [&rEdit, field](TRecord& r) { Get(r, field) = rEdit.GetInt(); });
        else
            return Add([&rEdit, field](const TRecord& r) { rEdit.SetUInt(Get(r, field)); },
                       [&rEdit, field](TRecord& r) { Get(r, field) = rEdit.GetUInt(); });
    }

    template <class P> CFieldBindings& Check(CCheckBox& rBox, P field)
    {
        static_assert(std::same_as<FieldOf<P>, bool>);
        return Add([&rBox, field](const TRecord& r) { rBox.SetChecked(Get(r, field)); },
                   [&rBox, field](TRecord& r) { Get(r, field) = rBox.IsChecked(); });
    }

    // A radio group: the button of the field's value is checked (none when no button has it);
    // reading takes the checked button's value and keeps the field when none is checked.
    template <class P>
    CFieldBindings& Radio(P field, std::initializer_list<std::pair<CRadioButton*, FieldOf<P>>> choices)
    {
        std::vector<std::pair<CRadioButton*, FieldOf<P>>> vChoices(choices);
        return Add(
            [vChoices, field](const TRecord& r) {
                for (const auto& [pButton, value] : vChoices)
                    pButton->SetChecked(value == Get(r, field));
            },
            [vChoices, field](TRecord& r) {
                for (const auto& [pButton, value] : vChoices) {
                    if (pButton->IsChecked()) {
                        Get(r, field) = value;
                        return;
                    }
                }
            });
    }

    // A drop-down list whose position is the value (an integer or an enumeration counted from
    // 0): a value without an item clears the selection; no selection keeps the field.
    template <class P> CFieldBindings& Position(CDropDownList& rList, P field)
    {
        using T = FieldOf<P>;
        return Add([&rList, field](const TRecord& r) { rList.SetSelection(static_cast<int>(Get(r, field))); },
                   [&rList, field](TRecord& r) {
                       if (rList.Selection() >= 0)
                           Get(r, field) = static_cast<T>(rList.Selection());
                   });
    }

    // A drop-down list whose items carry the values as their data.
    template <class P> CFieldBindings& ItemData(CDropDownList& rList, P field)
    {
        using T = FieldOf<P>;
        return Add([&rList, field](
                       const TRecord& r) { rList.SelectByData(static_cast<std::uint32_t>(Get(r, field))); },
                   [&rList, field](TRecord& r) {
                       if (rList.Selection() >= 0)
                           Get(r, field) = static_cast<T>(rList.SelectedData());
                   });
    }

    // An address field: a text field shows by the address rules and reads "%d.%d.%d.%d" (empty
    // for a blank field or 0.0.0.0); a uint32_t field holds the address itself.
    template <class P> CFieldBindings& Address(CIpAddressEdit& rField, P field)
    {
        using T = FieldOf<P>;
        static_assert(std::same_as<T, std::u16string> || std::same_as<T, std::uint32_t>);
        if constexpr (std::same_as<T, std::u16string>)
            return Add([&rField, field](const TRecord& r) { rField.ShowText(Get(r, field)); },
                       [&rField, field](TRecord& r) { Get(r, field) = rField.Text(); });
        else
            return Add([&rField, field](const TRecord& r) { rField.SetAddress(Get(r, field)); },
                       [&rField, field](TRecord& r) { Get(r, field) = rField.Address(); });
    }

    // A field that takes more than one control, or a conversion of its own.
    CFieldBindings& Custom(std::function<void(const TRecord&)> fnShow, std::function<void(TRecord&)> fnRead)
    {
        return Add(std::move(fnShow), std::move(fnRead));
    }

    // In declaration order.
    void Show(const TRecord& record) const
    {
        for (const SBinding& binding : m_vBindings)
            binding.fnShow(record);
    }
    void Read(TRecord& record) const
    {
        for (const SBinding& binding : m_vBindings)
            binding.fnRead(record);
    }

private:
    struct SBinding {
        std::function<void(const TRecord&)> fnShow;
        std::function<void(TRecord&)> fnRead;
    };

    template <class R, class P> static decltype(auto) Get(R& record, const P& field)
    {
        return std::invoke(field, record);
    }

    CFieldBindings& Add(std::function<void(const TRecord&)> fnShow, std::function<void(TRecord&)> fnRead)
    {
        m_vBindings.push_back({std::move(fnShow), std::move(fnRead)});
        return *this;
    }

    std::vector<SBinding> m_vBindings;
};

} // namespace kov
