#include "FakeJni.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <iterator>

namespace fakejni {

namespace {

// Method IDs are the addresses of these tokens.
char g_setToken;
char g_addToken;

jmethodID SetId()
{
    return reinterpret_cast<jmethodID>(&g_setToken);
}
jmethodID AddId()
{
    return reinterpret_cast<jmethodID>(&g_addToken);
}

ClassInfo g_otherClass;

}  // namespace

struct Functions {
    static Env& E(JNIEnv* env) { return Env::From(env); }

    static jsize JNICALL GetStringLength(JNIEnv*, jstring string)
    {
        return static_cast<jsize>(static_cast<String*>(Env::Resolve(string))->text.size());
    }

    static const jchar* JNICALL GetStringChars(JNIEnv* env, jstring string, jboolean* isCopy)
    {
        const std::u16string& text = static_cast<String*>(Env::Resolve(string))->text;
        // A copy WITHOUT a terminating NUL, followed by a non-NUL guard, as JNI allows. A JVM frees
        // its copy unwiped, and so does this one (the wipe checks see it go).
        auto* chars = new jchar[text.size() + 1];
        std::memcpy(chars, text.data(), text.size() * sizeof(jchar));
        chars[text.size()] = u'#';
        if (isCopy != nullptr) {
            *isCopy = JNI_TRUE;
        }
        ++E(env).stringCharsOut;
        return chars;
    }

    static void JNICALL ReleaseStringChars(JNIEnv* env, jstring, const jchar* chars)
    {
        delete[] chars;
        --E(env).stringCharsOut;
    }

    // Copies [start, start + length) and nothing else: the units after it are left as they were.
    static void JNICALL GetStringRegion(JNIEnv* env, jstring string, jsize start, jsize length, jchar* buffer)
    {
        const std::u16string& text = static_cast<String*>(Env::Resolve(string))->text;
        if (start < 0 || length < 0 ||
            static_cast<size_t>(start) + static_cast<size_t>(length) > text.size()) {
            E(env).pending = PendingException{"java/lang/StringIndexOutOfBoundsException", ""};
            return;
        }
        std::memcpy(buffer, text.data() + start, static_cast<size_t>(length) * sizeof(jchar));
        ++E(env).stringRegionsCopied;
    }

    static jstring JNICALL NewString(JNIEnv* env, const jchar* chars, jsize length)
    {
        jstring made = E(env).NewString(std::u16string(reinterpret_cast<const char16_t*>(chars), length));
        E(env).MadeElementRef(made);
        return made;
    }

    static jclass JNICALL GetObjectClass(JNIEnv*, jobject object)
    {
        Object* resolved = Env::Resolve(object);
        if (auto* holder = dynamic_cast<Holder*>(resolved)) {
            return reinterpret_cast<jclass>(&holder->klass);
        }
        if (auto* collection = dynamic_cast<Collection*>(resolved)) {
            return reinterpret_cast<jclass>(&collection->klass);
        }
        return reinterpret_cast<jclass>(&g_otherClass);
    }

    static jmethodID JNICALL GetMethodID(JNIEnv* env, jclass cls, const char* name, const char* signature)
    {
        const auto* klass = static_cast<ClassInfo*>(Env::Resolve(cls));
        const bool isSet = std::strcmp(name, "set") == 0 && std::strcmp(signature, "(J)V") == 0;
        const bool isAdd =
            std::strcmp(name, "add") == 0 && std::strcmp(signature, "(Ljava/lang/Object;)Z") == 0;
        if (isSet && klass->hasSet) {
            return SetId();
        }
        if (isAdd && klass->hasAdd) {
            return AddId();
        }
        E(env).pending = PendingException{"java/lang/NoSuchMethodError", name};
        return nullptr;
    }

    static void JNICALL CallVoidMethodV(JNIEnv*, jobject object, jmethodID method, va_list args)
    {
        if (method == SetId()) {
            static_cast<Holder*>(Env::Resolve(object))->values.push_back(va_arg(args, jlong));
        }
    }

    static jboolean JNICALL CallBooleanMethodV(JNIEnv*, jobject object, jmethodID method, va_list args)
    {
        if (method != AddId()) {
            return JNI_FALSE;
        }
        auto* collection = static_cast<Collection*>(Env::Resolve(object));
        jobject item = va_arg(args, jobject);
        if (item == nullptr) {
            collection->items.emplace_back(std::nullopt);
        } else {
            collection->items.emplace_back(static_cast<String*>(Env::Resolve(item))->text);
        }
        return JNI_TRUE;
    }

    static jclass JNICALL FindClass(JNIEnv* env, const char* name)
    {
        if (E(env).failFindClass) {
            E(env).pending = PendingException{"java/lang/NoClassDefFoundError", name};
            return nullptr;
        }
        return reinterpret_cast<jclass>(E(env).ClassNamed(name));
    }

    static jint JNICALL ThrowNew(JNIEnv* env, jclass cls, const char* message)
    {
        E(env).pending = PendingException{static_cast<ClassInfo*>(Env::Resolve(cls))->name, message};
        return 0;
    }

    static void JNICALL DeleteLocalRef(JNIEnv* env, jobject object)
    {
        ++E(env).localRefsDeleted;
        E(env).DropElementRef(object);
    }

    static jboolean JNICALL ExceptionCheck(JNIEnv* env) { return E(env).pending ? JNI_TRUE : JNI_FALSE; }

    static jsize JNICALL GetArrayLength(JNIEnv*, jarray array)
    {
        return static_cast<ArrayBase*>(Env::Resolve(array))->Length();
    }

    // The JVM hands out a copy; mode 0 copies it back and frees it, JNI_COMMIT copies only,
    // JNI_ABORT frees only.
    template <class Element, class ArrayRef>
    static Element* JNICALL GetElements(JNIEnv* env, ArrayRef array, jboolean* isCopy)
    {
        if (E(env).failArrayElements) {
            return nullptr;
        }
        const auto& elements = static_cast<Array<Element>*>(Env::Resolve(array))->elements;
        auto* copy = new Element[elements.size() + 1];
        std::copy(elements.begin(), elements.end(), copy);
        if (isCopy != nullptr) {
            *isCopy = JNI_TRUE;
        }
        ++E(env).arrayElementsOut;
        return copy;
    }

    template <class Element, class ArrayRef>
    static void JNICALL ReleaseElements(JNIEnv* env, ArrayRef array, Element* copy, jint mode)
    {
        auto& elements = static_cast<Array<Element>*>(Env::Resolve(array))->elements;
        if (mode != JNI_ABORT) {
            std::copy(copy, copy + elements.size(), elements.begin());
        }
        E(env).releaseModes.push_back(mode);
        if (mode != JNI_COMMIT) {
            delete[] copy;
            --E(env).arrayElementsOut;
        }
    }

    static jobject JNICALL GetObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index)
    {
        jobject element =
            static_cast<ObjectArray*>(Env::Resolve(array))->elements.at(static_cast<size_t>(index));
        E(env).MadeElementRef(element);
        return element;
    }

    static void JNICALL SetObjectArrayElement(JNIEnv*, jobjectArray array, jsize index, jobject value)
    {
        static_cast<ObjectArray*>(Env::Resolve(array))->elements.at(static_cast<size_t>(index)) = value;
    }

    static jobjectArray JNICALL NewObjectArray(JNIEnv* env, jsize length, jclass elementClass,
                                               jobject initial)
    {
        if (length < 0 || !E(env).MayMakeArray()) {
            return nullptr;
        }
        jobjectArray array =
            E(env).NewObjectArray(std::vector<jobject>(static_cast<size_t>(length), initial));
        Env::ObjectArrayOf(array).elementClass = static_cast<ClassInfo*>(Env::Resolve(elementClass))->name;
        return array;
    }

    template <class Element, class ArrayRef>
    static ArrayRef JNICALL NewPrimitiveArray(JNIEnv* env, jsize length)
    {
        if (length < 0 || !E(env).MayMakeArray()) {
            return nullptr;
        }
        return static_cast<ArrayRef>(E(env).NewArray(std::vector<Element>(static_cast<size_t>(length))));
    }

    // Regions outside the array raise ArrayIndexOutOfBoundsException, as the JVM does.
    template <class Element, class ArrayRef>
    static bool InBounds(JNIEnv* env, ArrayRef array, jsize start, jsize length)
    {
        const auto size = static_cast<jsize>(Env::ElementsOf<Element>(array).size());
        if (start < 0 || length < 0 || start > size || length > size - start) {
            E(env).pending = PendingException{"java/lang/ArrayIndexOutOfBoundsException", "region"};
            return false;
        }
        return true;
    }

    template <class Element, class ArrayRef>
    static void JNICALL SetRegion(JNIEnv* env, ArrayRef array, jsize start, jsize length,
                                  const Element* buffer)
    {
        if (InBounds<Element>(env, array, start, length)) {
            std::copy(buffer, buffer + length, Env::ElementsOf<Element>(array).begin() + start);
        }
    }

    template <class Element, class ArrayRef>
    static void JNICALL GetRegion(JNIEnv* env, ArrayRef array, jsize start, jsize length, Element* buffer)
    {
        if (InBounds<Element>(env, array, start, length)) {
            const auto& elements = Env::ElementsOf<Element>(array);
            std::copy(elements.begin() + start, elements.begin() + start + length, buffer);
        }
    }

    static jint JNICALL PushLocalFrame(JNIEnv* env, jint capacity)
    {
        if (capacity < 0) {
            return JNI_ERR;
        }
        Env& fake = E(env);
        ++fake.framesPushed;
        fake.deepestFrame = std::max(fake.deepestFrame, ++fake.framesOpen);
        return JNI_OK;
    }

    static jobject JNICALL PopLocalFrame(JNIEnv* env, jobject result)
    {
        --E(env).framesOpen;
        return result;
    }
};

Env::Env()
{
    m_functions.GetStringLength = &Functions::GetStringLength;
    m_functions.GetStringChars = &Functions::GetStringChars;
    m_functions.GetStringRegion = &Functions::GetStringRegion;
    m_functions.ReleaseStringChars = &Functions::ReleaseStringChars;
    m_functions.NewString = &Functions::NewString;
    m_functions.GetObjectClass = &Functions::GetObjectClass;
    m_functions.GetMethodID = &Functions::GetMethodID;
    m_functions.CallVoidMethodV = &Functions::CallVoidMethodV;
    m_functions.CallBooleanMethodV = &Functions::CallBooleanMethodV;
    m_functions.FindClass = &Functions::FindClass;
    m_functions.ThrowNew = &Functions::ThrowNew;
    m_functions.DeleteLocalRef = &Functions::DeleteLocalRef;
    m_functions.ExceptionCheck = &Functions::ExceptionCheck;
    m_functions.GetArrayLength = &Functions::GetArrayLength;
    m_functions.GetObjectArrayElement = &Functions::GetObjectArrayElement;
    m_functions.SetObjectArrayElement = &Functions::SetObjectArrayElement;
    m_functions.NewObjectArray = &Functions::NewObjectArray;
    m_functions.NewIntArray = &Functions::NewPrimitiveArray<jint, jintArray>;
    m_functions.NewLongArray = &Functions::NewPrimitiveArray<jlong, jlongArray>;
    m_functions.SetIntArrayRegion = &Functions::SetRegion<jint, jintArray>;
    m_functions.SetLongArrayRegion = &Functions::SetRegion<jlong, jlongArray>;
    m_functions.GetIntArrayRegion = &Functions::GetRegion<jint, jintArray>;
    m_functions.GetLongArrayRegion = &Functions::GetRegion<jlong, jlongArray>;
    m_functions.PushLocalFrame = &Functions::PushLocalFrame;
    m_functions.PopLocalFrame = &Functions::PopLocalFrame;
    m_functions.GetBooleanArrayElements = &Functions::GetElements<jboolean, jbooleanArray>;
    m_functions.GetByteArrayElements = &Functions::GetElements<jbyte, jbyteArray>;
    m_functions.GetShortArrayElements = &Functions::GetElements<jshort, jshortArray>;
    m_functions.GetIntArrayElements = &Functions::GetElements<jint, jintArray>;
    m_functions.GetLongArrayElements = &Functions::GetElements<jlong, jlongArray>;
    m_functions.GetFloatArrayElements = &Functions::GetElements<jfloat, jfloatArray>;
    m_functions.GetDoubleArrayElements = &Functions::GetElements<jdouble, jdoubleArray>;
    m_functions.ReleaseBooleanArrayElements = &Functions::ReleaseElements<jboolean, jbooleanArray>;
    m_functions.ReleaseByteArrayElements = &Functions::ReleaseElements<jbyte, jbyteArray>;
    m_functions.ReleaseShortArrayElements = &Functions::ReleaseElements<jshort, jshortArray>;
    m_functions.ReleaseIntArrayElements = &Functions::ReleaseElements<jint, jintArray>;
    m_functions.ReleaseLongArrayElements = &Functions::ReleaseElements<jlong, jlongArray>;
    m_functions.ReleaseFloatArrayElements = &Functions::ReleaseElements<jfloat, jfloatArray>;
    m_functions.ReleaseDoubleArrayElements = &Functions::ReleaseElements<jdouble, jdoubleArray>;
    m_functions.reserved0 = this;
    m_env.functions = &m_functions;
}

Env::~Env() = default;

Env& Env::From(JNIEnv* env)
{
    return *static_cast<Env*>(const_cast<void*>(env->functions->reserved0));
}

template <class T>
T* Env::Keep(std::unique_ptr<T> object)
{
    T* raw = object.get();
    m_objects.push_back(std::move(object));
    return raw;
}

void Env::MadeElementRef(jobject object)
{
    if (object == nullptr) {
        return;
    }
    m_elementRefs.push_back(object);
    elementRefsPeak = std::max(elementRefsPeak, static_cast<int>(m_elementRefs.size()));
}

void Env::DropElementRef(jobject object)
{
    const auto found = std::find(m_elementRefs.rbegin(), m_elementRefs.rend(), object);
    if (found != m_elementRefs.rend()) {
        m_elementRefs.erase(std::next(found).base());
    }
}

jstring Env::NewString(const std::u16string& text)
{
    auto string = std::make_unique<String>();
    string->text = text;
    return reinterpret_cast<jstring>(Keep(std::move(string)));
}

jobject Env::NewHolder(bool hasSet)
{
    auto holder = std::make_unique<Holder>();
    holder->klass.name = "Holder";
    holder->klass.hasSet = hasSet;
    return reinterpret_cast<jobject>(Keep(std::move(holder)));
}

jobject Env::NewCollection(bool hasAdd)
{
    auto collection = std::make_unique<Collection>();
    collection->klass.name = "java/util/ArrayList";
    collection->klass.hasAdd = hasAdd;
    return reinterpret_cast<jobject>(Keep(std::move(collection)));
}

jobjectArray Env::NewObjectArray(std::vector<jobject> elements)
{
    auto array = std::make_unique<ObjectArray>();
    array->elements = std::move(elements);
    return reinterpret_cast<jobjectArray>(Keep(std::move(array)));
}

std::u16string Env::TextOf(jstring string)
{
    return static_cast<String*>(Resolve(string))->text;
}

ObjectArray& Env::ObjectArrayOf(jobject object)
{
    auto* array = dynamic_cast<ObjectArray*>(Resolve(object));
    if (array == nullptr) {
        throw std::logic_error("not an object array");
    }
    return *array;
}

std::optional<std::u16string> Env::OptionalText(jobject string)
{
    if (string == nullptr) {
        return std::nullopt;
    }
    auto* resolved = dynamic_cast<String*>(Resolve(string));
    if (resolved == nullptr) {
        throw std::logic_error("not a string");
    }
    return resolved->text;
}

ClassInfo* Env::ClassNamed(const std::string& name)
{
    for (const auto& known : m_classes) {
        if (known->name == name) {
            return known.get();
        }
    }
    auto created = std::make_unique<ClassInfo>();
    created->name = name;
    m_classes.push_back(std::move(created));
    return m_classes.back().get();
}

bool Env::MayMakeArray()
{
    if (arraysBeforeFailure == 0) {
        pending = PendingException{"java/lang/OutOfMemoryError", "array"};
        return false;
    }
    if (arraysBeforeFailure > 0) {
        --arraysBeforeFailure;
    }
    return true;
}

}  // namespace fakejni
