// A stand-in for the JVM's side of JNI: the functions the libraries call, over plain C++ objects
// for strings, arrays, holders with set(long) and collections with add(Object), a class lookup
// and a pending-exception slot. Tests use it for what a real JVM cannot be made to do (a missing
// class, a failing allocation) and to look inside what the libraries handed over.
#pragma once

#include <jni.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace fakejni {

struct Object {
    virtual ~Object() = default;
};

// What GetObjectClass answers: a class that knows which of the two callbacks it has.
struct ClassInfo : Object {
    std::string name;
    bool hasSet = false;
    bool hasAdd = false;
};

struct String : Object {
    std::u16string text;
};

// Receives set(long) calls; klass.hasSet false makes the method lookup fail as for a class without it.
struct Holder : Object {
    ClassInfo klass;
    std::vector<jlong> values;
};

// Receives add(Object) calls; null elements are recorded as std::nullopt.
struct Collection : Object {
    ClassInfo klass;
    std::vector<std::optional<std::u16string>> items;
};

struct ArrayBase : Object {
    virtual jsize Length() const = 0;
};

template <class Element>
struct Array : ArrayBase {
    std::vector<Element> elements;
    jsize Length() const override { return static_cast<jsize>(elements.size()); }
};

struct ObjectArray : ArrayBase {
    std::string elementClass;  // as given to NewObjectArray
    std::vector<jobject> elements;
    jsize Length() const override { return static_cast<jsize>(elements.size()); }
};

struct PendingException {
    std::string className;
    std::string message;
};

class Env {
public:
    Env();
    ~Env();
    Env(const Env&) = delete;
    Env& operator=(const Env&) = delete;

    JNIEnv* env() { return &m_env; }

    // Objects live as long as the Env; the returned references are JNI references to them.
    jstring NewString(const std::u16string& text);
    jobject NewHolder(bool hasSet = true);
    jobject NewCollection(bool hasAdd = true);
    // Primitive arrays: Element is jboolean, jbyte, jshort, jint, jlong, jfloat or jdouble.
    template <class Element>
    jarray NewArray(std::vector<Element> elements);
    jobjectArray NewObjectArray(std::vector<jobject> elements);

    // What the libraries handed back, looked into. Each fails the test (throws) on a wrong kind.
    static ObjectArray& ObjectArrayOf(jobject object);
    template <class Element>
    static std::vector<Element>& ElementsOf(jobject object);
    // A String element as text, or nullopt for null.
    static std::optional<std::u16string> OptionalText(jobject string);

    Holder& HolderOf(jobject object) { return *static_cast<Holder*>(Resolve(object)); }
    Collection& CollectionOf(jobject object) { return *static_cast<Collection*>(Resolve(object)); }
    static std::u16string TextOf(jstring string);

    // FindClass answers null for every class while this is set.
    bool failFindClass = false;
    // Get<Type>ArrayElements answers null while this is set, as a JVM out of memory does.
    bool failArrayElements = false;
    std::optional<PendingException> pending;
    // Balance of GetStringChars/ReleaseStringChars and of local references made by the env.
    int stringCharsOut = 0;
    // GetStringRegion calls that copied text.
    int stringRegionsCopied = 0;
    int localRefsDeleted = 0;
    // Local references to strings made with NewString and to elements fetched with
    // GetObjectArrayElement, not yet deleted: now and at most at once. A JVM holds only so many
    // local references in a native frame, so a loop over elements must delete each one.
    int ElementRefsAlive() const { return static_cast<int>(m_elementRefs.size()); }
    int elementRefsPeak = 0;
    // Balance of Get/Release<Type>ArrayElements, and the release modes seen.
    int arrayElementsOut = 0;
    std::vector<jint> releaseModes;
    // New<Type>Array answers null (with OutOfMemoryError pending) once this many more arrays were
    // made; negative: never.
    int arraysBeforeFailure = -1;
    // Local frames: open now, pushed in all, deepest nesting seen.
    int framesOpen = 0;
    int framesPushed = 0;
    int deepestFrame = 0;

    static Object* Resolve(jobject object) { return reinterpret_cast<Object*>(object); }
    static Env& From(JNIEnv* env);

private:
    template <class T>
    T* Keep(std::unique_ptr<T> object);
    ClassInfo* ClassNamed(const std::string& name);
    // False (with OutOfMemoryError pending) when arraysBeforeFailure says this array fails.
    bool MayMakeArray();
    void MadeElementRef(jobject object);
    void DropElementRef(jobject object);

    JNINativeInterface_ m_functions{};
    JNIEnv m_env{};
    std::vector<std::unique_ptr<Object>> m_objects;
    std::vector<std::unique_ptr<ClassInfo>> m_classes;
    std::vector<jobject> m_elementRefs;

    friend struct Functions;
};

template <class Element>
jarray Env::NewArray(std::vector<Element> elements)
{
    auto array = std::make_unique<Array<Element>>();
    array->elements = std::move(elements);
    Object* kept = array.get();
    m_objects.push_back(std::move(array));
    return reinterpret_cast<jarray>(kept);
}

template <class Element>
std::vector<Element>& Env::ElementsOf(jobject object)
{
    auto* array = dynamic_cast<Array<Element>*>(Resolve(object));
    if (array == nullptr) {
        throw std::logic_error("not an array of the expected element type");
    }
    return array->elements;
}

}  // namespace fakejni
