// The classes and instances that the service-side tests load into root\default.
#pragma once

#include <string>

#include "emulator_test.h"

namespace services_test {

inline constexpr const char* kItemsMof = R"(
class Svc_Item {
  [key] string Name;
  sint32 Size;
  string Label;
  boolean Enabled;
};
class Svc_SpecialItem : Svc_Item {
  string Extra;
};
instance of Svc_Item { Name = "alpha"; Size = 10; Label = "first"; Enabled = TRUE; };
instance of Svc_Item { Name = "beta"; Size = 20; Enabled = FALSE; };
instance of Svc_Item { Name = "gamma_1"; Size = 30; Label = "50% off"; Enabled = TRUE; };
instance of Svc_SpecialItem { Name = "delta"; Size = 40; Label = "[x]"; Enabled = FALSE; Extra = "more"; };

class Svc_Pair {
  [key] string First;
  [key] sint32 Second;
  string Note;
};
instance of Svc_Pair { First = "a"; Second = 1; Note = "a1"; };
instance of Svc_Pair { First = "a"; Second = 2; Note = "a2"; };

[singleton] class Svc_Settings {
  string Mode;
};
instance of Svc_Settings { Mode = "fast"; };

class Svc_Numbered {
  [key] uint32 Id;
  string Name;
};
instance of Svc_Numbered { Id = 7; Name = "seven"; };
)";

// A class with `count` instances whose key Id runs from 1.
inline std::string ManyMof(int count)
{
    std::string mof = "class Svc_Many { [key] sint32 Id; };\n";
    for (int id = 1; id <= count; ++id) {
        mof += "instance of Svc_Many { Id = " + std::to_string(id) + "; };\n";
    }
    return mof;
}

// A test on root\\default with the items above loaded, through services_.
class ItemsTest : public EmulatorTest {
protected:
    void SetUp() override
    {
        EmulatorTest::SetUp();
        LoadMof(kItemsMof);
        services_ = ConnectLocal(u"root\\default");
    }
    void TearDown() override
    {
        services_.Reset();
        EmulatorTest::TearDown();
    }

    ComPtr<IWbemServices> services_;
};

}  // namespace services_test
