// Every property writer on a method's spawned input object. Wine's input objects take only the
// exact VARTYPE of each parameter (VT_I4 for the sint32 hDefKey, VT_UI4 for the uint32 uValue,
// VT_BSTR for strings) and answer WBEM_E_TYPE_MISMATCH for anything else, where Windows
// converts compatible numbers; so uint32 values go through the typed writer.
#include <windows.h>

#include "Scenario.h"

using namespace scenario;

namespace {

constexpr jint kVtI4 = 3;
constexpr jint kVtUi4 = 19;
constexpr jlong kWbemFailed = WbemCode(0x80041001);
constexpr jlong kWbemInvalidQuery = WbemCode(0x80041017);
constexpr jlong kWineArrayOutOfMemory = 14;

template <class Element>
jarray ArrayOf(Context& context, std::vector<Element> elements)
{
    return context.jni.NewArray<Element>(std::move(elements));
}

}  // namespace

SCENARIO(writers)
{
    const jlong session = context.ConnectLocal();
    const auto& api = context.api;
    JNIEnv* env = context.env();
    jobject methodHolder = context.NewHolder();
    CHECK_EQ(api.WmiServiceGetMethod(env, nullptr, session, context.Text(u"StdRegProv"),
                                     context.Text(u"SetDWORDValue"), methodHolder),
             0);
    const jlong method = context.Received(methodHolder).value_or(0);
    jobject inputHolder = context.NewHolder();
    CHECK_EQ(api.WmiMethodGetInputProperties(env, nullptr, method, inputHolder), 0);
    const jlong input = context.Received(inputHolder).value_or(0);
    const auto name = [&](const char16_t* text) { return context.Text(text); };

    // Windows fills a spawned input object with the parameters' defaults (hDefKey reads
    // -2147483646, HKEY_LOCAL_MACHINE) and leaves the others null (""); Wine fills nothing and
    // every number reads 0.
    CHECK_EQ(context.Property(input, u"hDefKey"), std::optional<std::u16string>(u"0"));
    CHECK_EQ(context.Property(input, u"uValue"), std::optional<std::u16string>(u"0"));

    // Writers whose VARTYPE matches the parameter, read back through the readers.
    CHECK_EQ(api.WmiObjectPutPropertyInt(env, nullptr, input, name(u"hDefKey"), -2147483646), 0);
    CHECK_EQ(context.Property(input, u"hDefKey").value_or(u""), std::u16string(u"-2147483646"));
    CHECK_EQ(api.WmiObjectPutPropertyString(env, nullptr, input, name(u"sValueName"), context.Text(u"Count")),
             0);
    CHECK_EQ(context.Property(input, u"sValueName").value_or(u""), std::u16string(u"Count"));
    // WMI hands a uint32 back as VT_I4, so all bits set read as -1.
    CHECK_EQ(api.WmiObjectPutPropertyAsType(env, nullptr, input, name(u"uValue"), kVtUi4, 4294967295LL), 0);
    CHECK_EQ(context.Property(input, u"uValue").value_or(u""), std::u16string(u"-1"));
    CHECK_EQ(api.WmiObjectPutPropertyAsType(env, nullptr, input, name(u"hDefKey"), kVtI4, 0x80000001LL), 0);
    CHECK_EQ(context.Property(input, u"hDefKey").value_or(u""), std::u16string(u"-2147483647"));

    // Every other scalar writer on the uint32: Windows converts the numbers (and refuses the
    // object). Wine refuses a VARTYPE it knows but that is not the parameter's with
    // WBEM_E_TYPE_MISMATCH, and one it has no CIM type for (VT_I1, VT_R4, VT_R8, VT_UNKNOWN)
    // with WBEM_E_FAILED.
    CHECK_EQ(api.WmiObjectPutPropertyInt(env, nullptr, input, name(u"uValue"), 7), kWbemTypeMismatch);
    CHECK_EQ(api.WmiObjectPutPropertyBoolean(env, nullptr, input, name(u"uValue"), JNI_TRUE),
             kWbemTypeMismatch);
    CHECK_EQ(api.WmiObjectPutPropertyShort(env, nullptr, input, name(u"uValue"), 7), kWbemTypeMismatch);
    CHECK_EQ(api.WmiObjectPutPropertyString(env, nullptr, input, name(u"uValue"), context.Text(u"7")),
             kWbemTypeMismatch);
    CHECK_EQ(api.WmiObjectPutPropertyByte(env, nullptr, input, name(u"uValue"), 7), kWbemFailed);
    CHECK_EQ(api.WmiObjectPutPropertyFloat(env, nullptr, input, name(u"uValue"), 7.0F), kWbemFailed);
    CHECK_EQ(api.WmiObjectPutPropertyDouble(env, nullptr, input, name(u"uValue"), 7.0), kWbemFailed);
    CHECK_EQ(api.WmiObjectPutPropertyObject(env, nullptr, input, name(u"uValue"), input), kWbemFailed);
    // The refused writes left the value alone.
    CHECK_EQ(context.Property(input, u"uValue").value_or(u""), std::u16string(u"-1"));

    // Every array writer on the scalar: refused on both systems, Windows with
    // WBEM_E_TYPE_MISMATCH. Wine answers that for the arrays it has a CIM type for, and
    // E_OUTOFMEMORY (reaching Java as 14) for arrays of VT_INT, VT_R4 and VT_R8.
    const int deletedBefore = context.jni.localRefsDeleted;
    CHECK_EQ(
        api.WmiObjectPutPropertyBooleanArray(env, nullptr, input, name(u"uValue"),
                                             static_cast<jbooleanArray>(ArrayOf<jboolean>(context, {1, 0}))),
        kWbemTypeMismatch);
    CHECK_EQ(api.WmiObjectPutPropertyByteArray(env, nullptr, input, name(u"uValue"),
                                               static_cast<jbyteArray>(ArrayOf<jbyte>(context, {1, 2}))),
             kWbemTypeMismatch);
    CHECK_EQ(api.WmiObjectPutPropertyShortArray(env, nullptr, input, name(u"uValue"),
                                                static_cast<jshortArray>(ArrayOf<jshort>(context, {1, 2}))),
             kWbemTypeMismatch);
    CHECK_EQ(api.WmiObjectPutPropertyIntArray(env, nullptr, input, name(u"uValue"),
                                              static_cast<jintArray>(ArrayOf<jint>(context, {1, 2}))),
             kWineArrayOutOfMemory);
    CHECK_EQ(api.WmiObjectPutPropertyFloatArray(env, nullptr, input, name(u"uValue"),
                                                static_cast<jfloatArray>(ArrayOf<jfloat>(context, {1.5F}))),
             kWineArrayOutOfMemory);
    CHECK_EQ(api.WmiObjectPutPropertyDoubleArray(env, nullptr, input, name(u"uValue"),
                                                 static_cast<jdoubleArray>(ArrayOf<jdouble>(context, {1.5}))),
             kWineArrayOutOfMemory);
    jobjectArray strings = context.jni.NewObjectArray({context.Text(u"a"), nullptr, context.Text(u"c")});
    CHECK_EQ(api.WmiObjectPutPropertyStringArray(env, nullptr, input, name(u"uValue"), strings),
             kWbemTypeMismatch);
    CHECK_EQ(api.WmiObjectPutPropertyAsTypeArray(env, nullptr, input, name(u"uValue"), kVtUi4,
                                                 static_cast<jlongArray>(ArrayOf<jlong>(context, {1, 2}))),
             kWbemTypeMismatch);

    // Each element buffer was released once, with JNI_ABORT (it was only read); each string element's local
    // reference was deleted (the null one has none); every string view was released.
    CHECK_EQ(context.jni.arrayElementsOut, 0);
    CHECK_EQ(static_cast<int>(context.jni.releaseModes.size()), 7);
    for (jint mode : context.jni.releaseModes) {
        CHECK_EQ(mode, JNI_ABORT);
    }
    CHECK_EQ(context.jni.localRefsDeleted - deletedBefore, 2);
    CHECK_EQ(context.jni.stringCharsOut, 0);

    // What only the stand-in can do: a JVM that cannot provide the elements gives 14.
    context.jni.failArrayElements = true;
    CHECK_EQ(api.WmiObjectPutPropertyIntArray(env, nullptr, input, name(u"uValue"),
                                              static_cast<jintArray>(ArrayOf<jint>(context, {1}))),
             14);
    context.jni.failArrayElements = false;
    CHECK_EQ(api.WmiObjectPutPropertyIntArray(env, nullptr, input, name(u"uValue"), nullptr),
             kInvalidParameter);

    // A parameter the method does not have: WBEM_E_NOT_FOUND on Windows, WBEM_E_INVALID_QUERY
    // from Wine.
    CHECK_EQ(api.WmiObjectPutPropertyInt(env, nullptr, input, name(u"NoSuchParameter"), 1),
             kWbemInvalidQuery);

    // The typed values really reach the method: a DWORD lands in HKEY_CURRENT_USER\Software.
    CHECK_EQ(
        api.WmiObjectPutPropertyString(env, nullptr, input, name(u"sSubKeyName"), context.Text(u"Software")),
        0);
    jobject outputHolder = context.NewHolder();
    CHECK_EQ(api.WmiMethodExecuteMth(env, nullptr, method, context.Text(u"StdRegProv"), input, outputHolder),
             0);
    const jlong output = context.Received(outputHolder).value_or(0);
    CHECK_EQ(context.Property(output, u"ReturnValue").value_or(u"(null)"), std::u16string(u"0"));
    DWORD stored = 0;
    DWORD size = sizeof stored;
    const auto wide = [](const char16_t* text) { return reinterpret_cast<LPCWSTR>(text); };
    CHECK_EQ(static_cast<std::int64_t>(RegGetValueW(HKEY_CURRENT_USER, wide(u"Software"), wide(u"Count"),
                                                    RRF_RT_REG_DWORD, nullptr, &stored, &size)),
             ERROR_SUCCESS);
    CHECK_EQ(static_cast<std::int64_t>(stored), 4294967295LL);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, wide(u"Software"), wide(u"Count"));

    api.WmiObjectDestroy(env, nullptr, output);
    api.WmiObjectDestroy(env, nullptr, input);
    api.WmiMethodDestroy(env, nullptr, method);
    api.WmiServiceDisconnectServer(env, nullptr, session);
}
