// Fetching single objects by path and spawning instances.
#include "Scenario.h"

using namespace scenario;

SCENARIO(objects)
{
    const jlong session = context.ConnectLocal();
    const auto& api = context.api;

    // An instance path.
    const jlong disk = context.GetObject(session, u"Win32_LogicalDisk.DeviceID=\"C:\"");
    CHECK_EQ(context.Property(disk, u"DeviceID").value_or(u""), std::u16string(u"C:"));
    CHECK_EQ(context.Property(disk, u"__CLASS").value_or(u""), std::u16string(u"Win32_LogicalDisk"));

    // A bare class name: Windows returns the class definition, whose properties are all null
    // (read as ""); Wine returns the class's first instance, with its values.
    const jlong osClass = context.GetObject(session, u"Win32_OperatingSystem");
    CHECK_EQ(context.Property(osClass, u"SystemDrive").value_or(u""), std::u16string(u"C:"));

    // Two spawned instances are two independent objects.
    jobject firstHolder = context.NewHolder();
    jobject secondHolder = context.NewHolder();
    CHECK_EQ(api.WmiObjectGetInstance(context.env(), nullptr, osClass, firstHolder), 0);
    CHECK_EQ(api.WmiObjectGetInstance(context.env(), nullptr, osClass, secondHolder), 0);
    const jlong first = context.Received(firstHolder).value_or(0);
    const jlong second = context.Received(secondHolder).value_or(0);
    CHECK(first != 0 && second != 0 && first != second);
    // On Windows a new instance reads null ("") for SystemDrive, names its class in __CLASS and
    // takes new values. Wine's instances spawned from a class of its own (not from a method's
    // input signature) refuse both: Get answers WBEM_E_INVALID_PARAMETER for a property and
    // WBEM_E_INVALID_QUERY for __CLASS, Put answers WBEM_E_TYPE_MISMATCH.
    jlong propertyCode = 0;
    CHECK(!context.Property(first, u"SystemDrive", &propertyCode).has_value());
    CHECK_EQ(propertyCode, kWbemInvalidParameter);
    jlong classCode = 0;
    CHECK(!context.Property(first, u"__CLASS", &classCode).has_value());
    CHECK_EQ(classCode, WbemCode(0x80041017));
    CHECK_EQ(api.WmiObjectPutPropertyString(context.env(), nullptr, second, context.Text(u"SystemDrive"),
                                            context.Text(u"X:")),
             kWbemTypeMismatch);

    // Embedded objects: Wine's classes have none, so only the refusals can be seen here.
    CHECK_EQ(api.WmiObjectGetPropertyObject(context.env(), nullptr, disk, context.Text(u"DeviceID"),
                                            context.NewHolder()),
             kInvalidParameter);
    CHECK_EQ(api.WmiObjectGetPropertyObject(context.env(), nullptr, disk, context.Text(u"NoSuchProperty"),
                                            context.NewHolder()),
             kWbemNotFound);

    // The objects outlive their session.
    api.WmiServiceDisconnectServer(context.env(), nullptr, session);
    CHECK_EQ(context.Property(disk, u"DeviceID").value_or(u""), std::u16string(u"C:"));
    for (jlong object : {disk, osClass, first, second}) {
        api.WmiObjectDestroy(context.env(), nullptr, object);
    }
}

SCENARIO(unknown_names)
{
    const jlong session = context.ConnectLocal();
    const auto& api = context.api;

    // An unknown class and an instance that does not exist.
    jobject classHolder = context.NewHolder();
    CHECK_EQ(
        api.WmiServiceGetObject(context.env(), nullptr, session, context.Text(u"NoSuch_Class"), classHolder),
        kWbemNotFound);
    CHECK(!context.Received(classHolder).has_value());
    jobject pathHolder = context.NewHolder();
    CHECK_EQ(api.WmiServiceGetObject(context.env(), nullptr, session,
                                     context.Text(u"Win32_LogicalDisk.DeviceID=\"Q:\""), pathHolder),
             kWbemNotFound);
    CHECK(!context.Received(pathHolder).has_value());

    // Windows refuses a query on an unknown class with WBEM_E_INVALID_CLASS; Wine answers an
    // empty result.
    const jlong empty = context.Query(session, u"SELECT * FROM NoSuch_Class");
    CHECK_EQ(api.WmiObjectEnumObjectCount(context.env(), nullptr, empty), 0);
    api.WmiObjectEnumDestroy(context.env(), nullptr, empty);

    // An unknown method of a known class, and a method of an unknown class.
    jobject methodHolder = context.NewHolder();
    CHECK_EQ(api.WmiServiceGetMethod(context.env(), nullptr, session, context.Text(u"StdRegProv"),
                                     context.Text(u"NoSuchMethod"), methodHolder),
             kWbemNotFound);
    CHECK(!context.Received(methodHolder).has_value());
    CHECK_EQ(api.WmiServiceGetMethod(context.env(), nullptr, session, context.Text(u"NoSuch_Class"),
                                     context.Text(u"CreateKey"), context.NewHolder()),
             kWbemNotFound);

    api.WmiServiceDisconnectServer(context.env(), nullptr, session);
}
