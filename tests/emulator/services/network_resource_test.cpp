// Parsing of the network resource that ConnectServer receives.
#include <gtest/gtest.h>

#include "services/network_resource.h"

namespace services_test {
namespace {

using pal::services::NetworkResource;
using pal::services::ParseNetworkResource;

struct ResourceCase {
    const char16_t* text;
    const char16_t* host;
    const char16_t* nameSpace;
};

TEST(NetworkResourceTest, SplitsHostAndNamespace)
{
    const ResourceCase cases[] = {
        {u"root\\cimv2", u"", u"root\\cimv2"},
        {u"\\\\SERVER7\\root\\cimv2", u"SERVER7", u"root\\cimv2"},
        {u"//server7/root/cimv2", u"server7", u"root\\cimv2"},
        {u"\\\\.\\root\\default", u".", u"root\\default"},
        {u"\\/10.0.0.5\\root", u"10.0.0.5", u"root"},
    };
    for (const ResourceCase& c : cases) {
        NetworkResource resource;
        ASSERT_EQ(S_OK, ParseNetworkResource(c.text, resource));
        EXPECT_EQ(std::u16string(c.host), resource.host);
        EXPECT_EQ(std::u16string(c.nameSpace), resource.nameSpace);
    }
}

TEST(NetworkResourceTest, RejectsResourcesWithoutNamespaceOrHost)
{
    for (const char16_t* text : {u"", u"\\\\", u"root\\", u"\\root"}) {
        NetworkResource resource;
        EXPECT_EQ(WBEM_E_INVALID_NAMESPACE, ParseNetworkResource(text, resource));
    }
    NetworkResource resource;
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, ParseNetworkResource(u"\\\\\\root", resource));
}

TEST(NetworkResourceTest, AHostWithoutNamespaceIsLeftToTheHost)
{
    for (const char16_t* text : {u"\\\\SERVER", u"\\\\SERVER\\"}) {
        NetworkResource resource;
        ASSERT_EQ(S_OK, ParseNetworkResource(text, resource));
        EXPECT_EQ(u"SERVER", resource.host);
        EXPECT_EQ(u"", resource.nameSpace);
    }
}

}  // namespace
}  // namespace services_test
