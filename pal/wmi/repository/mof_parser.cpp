#include "repository/mof_parser.h"

#include <charconv>
#include <map>
#include <optional>
#include <set>

#include "repository/cim_types.h"
#include "owners.h"
#include "repository/mof_lexer.h"
#include "repository/names.h"
#include "repository/shipped_mof.h"
#include "repository/variant_convert.h"

namespace pal::wmi {
namespace {

using Kind = MofToken::Kind;

// A constant as written in the MOF text, before it meets the type it initialises.
struct Constant {
    enum class Type { Null, Integer, Real, String, Char, Boolean, Alias, Object };
    Type type = Type::Null;
    bool negative = false;
    std::u16string text;  // digits, string, alias name
    bool flag = false;
    std::shared_ptr<const ObjectData> object;
    int line = 0;
};

struct Initializer {
    bool isArray = false;
    Constant scalar;
    std::vector<Constant> elements;
    int line = 0;
};

constexpr LONG kDefaultFlavor = WBEM_FLAVOR_FLAG_PROPAGATE_TO_DERIVED_CLASS;

// The classes that one fixture load has declared so far, by namespace and name (folded).
using DeclaredClasses = std::set<std::pair<std::u16string, std::u16string>>;

HRESULT ParseOne(std::u16string_view text, std::u16string_view defaultNamespace, RepositoryData& data,
                 DeclaredClasses* declared, MofFailure* failure);

class Parser {
public:
    // `declared` is null for a load that declares every class once; for a fixture it collects the
    // classes declared by all of the load's sources.
    Parser(std::u16string_view text, std::u16string_view defaultNamespace, RepositoryData& data,
           DeclaredClasses* declared)
        : tokens_(text),
          current_(tokens_.Next()),
          namespace_(NormalizeNamespace(defaultNamespace)),
          data_(data),
          declared_(declared)
    {
    }

    void Run()
    {
        EnterNamespace();
        while (Peek().kind != Kind::End) {
            if (Peek().kind == Kind::Pragma) {
                ParsePragma();
                continue;
            }
            QualifierList qualifiers = ParseQualifierListIfAny();
            if (IsKeyword(u"class")) {
                ParseClass(std::move(qualifiers));
            } else if (IsKeyword(u"instance")) {
                StoreInstance(ParseInstance(), Peek().line);
                Expect(u";");
            } else if (IsKeyword(u"qualifier")) {
                SkipQualifierDeclaration();
            } else {
                Fail(u"expected 'class', 'instance of' or '#pragma'");
            }
        }
    }

private:
    // ---- tokens ----

    const MofToken& Peek() const { return current_; }
    // Moves to the next token; the End token stays.
    void Advance()
    {
        if (current_.kind != Kind::End) {
            current_ = tokens_.Next();
        }
    }
    MofToken Take()
    {
        if (current_.kind == Kind::End) {
            return current_;
        }
        MofToken taken = std::move(current_);
        current_ = tokens_.Next();
        return taken;
    }

    [[noreturn]] void Fail(std::u16string message) const { throw MofError{Peek().line, std::move(message)}; }

    bool IsPunct(std::u16string_view punct) const
    {
        return Peek().kind == Kind::Punct && Peek().text == punct;
    }
    bool IsKeyword(std::u16string_view word) const
    {
        return Peek().kind == Kind::Identifier && NamesEqual(Peek().text, word);
    }
    bool Accept(std::u16string_view punct)
    {
        if (IsPunct(punct)) {
            Advance();
            return true;
        }
        return false;
    }
    void Expect(std::u16string_view punct)
    {
        if (!Accept(punct)) {
            Fail(u"expected '" + std::u16string(punct) + u"'");
        }
    }
    void ExpectKeyword(std::u16string_view word)
    {
        if (!IsKeyword(word)) {
            Fail(u"expected '" + std::u16string(word) + u"'");
        }
        Advance();
    }
    std::u16string ExpectIdentifier(std::u16string_view what)
    {
        if (Peek().kind != Kind::Identifier) {
            Fail(u"expected " + std::u16string(what));
        }
        return Take().text;
    }
    std::u16string ExpectString(std::u16string_view what)
    {
        if (Peek().kind != Kind::String) {
            Fail(u"expected " + std::u16string(what));
        }
        std::u16string text;
        while (Peek().kind == Kind::String) {
            text += Take().text;
        }
        return text;
    }

    // A namespace that the MOF creates starts with the system classes, as every namespace of WMI
    // does, so that its classes may derive from them (event classes from __ExtrinsicEvent).
    void EnterNamespace()
    {
        const bool created = data_.Find(namespace_) == nullptr;
        current_ns_ = &data_.Edit(namespace_);
        if (created) {
            MofFailure failure;
            if (FAILED(ParseOne(Utf8ToUtf16(kSystemMof), namespace_, data_, nullptr, &failure))) {
                Fail(u"the system classes do not load into " + namespace_ + u": " + failure.Text());
            }
        }
    }

    // ---- pragmas and qualifiers ----

    void ParsePragma()
    {
        Take();
        const std::u16string name = ExpectIdentifier(u"a pragma name");
        Expect(u"(");
        const std::u16string argument = ExpectString(u"a string argument of the pragma");
        Expect(u")");
        if (NamesEqual(name, u"namespace")) {
            const std::u16string path = NormalizeNamespace(argument);
            const bool absolute = argument.rfind(u"\\\\", 0) == 0 || NamesEqual(path.substr(0, 4), u"root");
            namespace_ = absolute ? path : namespace_ + u"\\" + path;
            EnterNamespace();
        }
        // Other pragmas (classflags, locale, ...) do not change what the repository holds.
    }

    void SkipQualifierDeclaration()
    {
        while (!IsPunct(u";")) {
            if (Peek().kind == Kind::End) {
                Fail(u"expected ';'");
            }
            Advance();
        }
        Advance();
    }

    QualifierList ParseQualifierListIfAny()
    {
        QualifierList qualifiers;
        if (!Accept(u"[")) {
            return qualifiers;
        }
        do {
            Qualifier qualifier = ParseQualifier();
            if (FindQualifier(qualifiers, qualifier.name) != nullptr) {
                Fail(u"expected each qualifier once, '" + qualifier.name + u"' repeats");
            }
            qualifiers.push_back(std::move(qualifier));
        } while (Accept(u","));
        Expect(u"]");
        return qualifiers;
    }

    Qualifier ParseQualifier()
    {
        Qualifier qualifier;
        qualifier.name = ExpectIdentifier(u"a qualifier name");
        qualifier.flavor = kDefaultFlavor;
        qualifier.type = CIM_BOOLEAN;
        qualifier.value = Value::MakeScalar(true);
        if (Accept(u"(")) {
            const Constant constant = ParseConstant();
            qualifier.type = QualifierType(constant);
            qualifier.value = Value::MakeScalar(QualifierScalar(constant));
            Expect(u")");
        } else if (IsPunct(u"{")) {
            const Initializer array = ParseInitializer();
            std::vector<Scalar> elements;
            CIMTYPE type = CIM_STRING;
            for (size_t i = 0; i < array.elements.size(); ++i) {
                const CIMTYPE elementType = QualifierType(array.elements[i]);
                if (i > 0 && elementType != type) {
                    Fail(u"expected qualifier array elements of one type");
                }
                type = elementType;
                elements.push_back(QualifierScalar(array.elements[i]));
            }
            qualifier.type = type | CIM_FLAG_ARRAY;
            qualifier.value = Value::MakeArray(std::move(elements));
        }
        if (Accept(u":")) {
            qualifier.flavor = ParseFlavors();
        }
        return qualifier;
    }

    CIMTYPE QualifierType(const Constant& constant) const
    {
        switch (constant.type) {
        case Constant::Type::Boolean: return CIM_BOOLEAN;
        case Constant::Type::Integer: return CIM_SINT32;
        case Constant::Type::Real: return CIM_REAL64;
        case Constant::Type::String: return CIM_STRING;
        default: throw MofError{constant.line, u"expected a boolean, number or string qualifier value"};
        }
    }

    Scalar QualifierScalar(const Constant& constant) const
    {
        Value value = ConstantToValue(QualifierType(constant), constant);
        return value.scalar;
    }

    LONG ParseFlavors()
    {
        LONG flavor = kDefaultFlavor;
        bool any = false;
        while (Peek().kind == Kind::Identifier) {
            const std::u16string word = Peek().text;
            if (NamesEqual(word, u"ToInstance")) {
                flavor |= WBEM_FLAVOR_FLAG_PROPAGATE_TO_INSTANCE;
            } else if (NamesEqual(word, u"ToSubclass")) {
                flavor |= WBEM_FLAVOR_FLAG_PROPAGATE_TO_DERIVED_CLASS;
            } else if (NamesEqual(word, u"Restricted")) {
                flavor &= ~WBEM_FLAVOR_FLAG_PROPAGATE_TO_DERIVED_CLASS;
            } else if (NamesEqual(word, u"DisableOverride")) {
                flavor |= WBEM_FLAVOR_NOT_OVERRIDABLE;
            } else if (NamesEqual(word, u"EnableOverride")) {
                flavor &= ~WBEM_FLAVOR_NOT_OVERRIDABLE;
            } else if (NamesEqual(word, u"Amended")) {
                flavor |= WBEM_FLAVOR_AMENDED;
            } else {
                break;
            }
            any = true;
            Advance();
        }
        if (!any) {
            Fail(
                u"expected a flavor (ToInstance, ToSubclass, Restricted, EnableOverride, DisableOverride, "
                u"Amended)");
        }
        return flavor;
    }

    // ---- constants ----

    Constant ParseConstant()
    {
        Constant constant;
        constant.line = Peek().line;
        if (IsPunct(u"-") || IsPunct(u"+")) {
            constant.negative = Take().text == u"-";
            if (Peek().kind != Kind::Integer && Peek().kind != Kind::Real) {
                Fail(u"expected a number after the sign");
            }
        }
        const MofToken& token = Peek();
        switch (token.kind) {
        case Kind::Integer:
            constant.type = Constant::Type::Integer;
            constant.text = Take().text;
            return constant;
        case Kind::Real:
            constant.type = Constant::Type::Real;
            constant.text = Take().text;
            return constant;
        case Kind::String:
            constant.type = Constant::Type::String;
            constant.text = ExpectString(u"a string");
            return constant;
        case Kind::Char:
            constant.type = Constant::Type::Char;
            constant.text = Take().text;
            return constant;
        case Kind::Alias:
            constant.type = Constant::Type::Alias;
            constant.text = Take().text;
            return constant;
        case Kind::Identifier:
            if (NamesEqual(token.text, u"true") || NamesEqual(token.text, u"false")) {
                constant.type = Constant::Type::Boolean;
                constant.flag = NamesEqual(Take().text, u"true");
                return constant;
            }
            if (NamesEqual(token.text, u"null")) {
                Take();
                return constant;
            }
            if (NamesEqual(token.text, u"instance")) {
                constant.type = Constant::Type::Object;
                constant.object = EmbeddedSnapshot(ParseInstance());
                if (constant.object == nullptr) {
                    FailTooDeep();
                }
                return constant;
            }
            break;
        default: break;
        }
        Fail(u"expected a value (number, string, character, boolean, null, alias or 'instance of')");
    }

    Initializer ParseInitializer()
    {
        Initializer init;
        init.line = Peek().line;
        if (Accept(u"{")) {
            init.isArray = true;
            if (!IsPunct(u"}")) {
                do {
                    init.elements.push_back(ParseConstant());
                } while (Accept(u","));
            }
            Expect(u"}");
            return init;
        }
        init.scalar = ParseConstant();
        return init;
    }

    // Builds the VARIANT that the constant stands for and converts it as Put would, so that the
    // MOF loader and Put agree on what a property of each type takes.
    Value ConstantToValue(CIMTYPE type, const Constant& constant) const
    {
        const CIMTYPE element = ElementType(type);
        const auto mismatch = [&]() -> MofError {
            return MofError{constant.line, u"expected a value of type " + CimTypeName(element)};
        };
        OwnedVariant variant;
        VARIANT* v = variant.Address();
        switch (constant.type) {
        case Constant::Type::Null: return Value::MakeNull();
        case Constant::Type::Boolean:
            V_VT(v) = VT_BOOL;
            V_BOOL(v) = constant.flag ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case Constant::Type::Integer: {
            const std::optional<std::uint64_t> magnitude = ParseMagnitude(constant.text);
            if (!magnitude || (constant.negative && *magnitude > (std::uint64_t{1} << 63))) {
                throw MofError{constant.line, u"expected an integer within 64 bits"};
            }
            if (constant.negative) {
                if (IsUnsigned(element)) {
                    throw mismatch();
                }
                V_VT(v) = VT_I8;
                V_I8(v) = static_cast<LONGLONG>(0 - *magnitude);
            } else {
                V_VT(v) = VT_UI8;
                V_UI8(v) = *magnitude;
            }
            break;
        }
        case Constant::Type::Real: {
            // The digits read the same whatever the process locale, and round correctly.
            const std::string digits = Utf16ToUtf8(constant.text);
            double magnitude = 0;
            const auto read = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
            if (read.ec == std::errc::result_out_of_range) {
                throw MofError{constant.line, u"expected a real within the range of real64"};
            }
            V_VT(v) = VT_R8;
            V_R8(v) = constant.negative ? -magnitude : magnitude;
            break;
        }
        case Constant::Type::String:
            if (element == CIM_CHAR16 || element == CIM_SINT64 || element == CIM_UINT64 ||
                element == CIM_STRING || element == CIM_DATETIME || element == CIM_REFERENCE) {
                V_VT(v) = VT_BSTR;
                V_BSTR(v) = AllocBstr(constant.text);
                break;
            }
            throw mismatch();
        case Constant::Type::Char:
            V_VT(v) = VT_UI2;
            V_UI2(v) = constant.text[0];
            break;
        case Constant::Type::Alias: {
            const auto found = aliases_.find(FoldName(constant.text));
            if (found == aliases_.end()) {
                throw MofError{constant.line,
                               u"expected a known alias, $" + constant.text + u" is not defined"};
            }
            if (element != CIM_REFERENCE && element != CIM_STRING) {
                throw mismatch();
            }
            return Value::MakeScalar(found->second);
        }
        case Constant::Type::Object:
            if (element != CIM_OBJECT) {
                throw mismatch();
            }
            return Value::MakeScalar(constant.object);
        }
        Value value;
        if (FAILED(VariantToValue(element, v, &value))) {
            throw mismatch();
        }
        return value;
    }

    // Put takes negative numbers for unsigned properties as their two's complement; MOF text does not.
    static bool IsUnsigned(CIMTYPE element)
    {
        return element == CIM_UINT8 || element == CIM_UINT16 || element == CIM_UINT32 ||
               element == CIM_UINT64 || element == CIM_CHAR16;
    }

    static std::optional<std::uint64_t> ParseMagnitude(std::u16string_view digits)
    {
        std::uint64_t value = 0;
        const bool hex = digits.rfind(u"0x", 0) == 0;
        const std::uint64_t base = hex ? 16 : 10;
        for (char16_t c : digits.substr(hex ? 2 : 0)) {
            const std::uint64_t digit =
                (c >= u'0' && c <= u'9') ? c - u'0' : static_cast<std::uint64_t>((c | 0x20) - u'a' + 10);
            if (value > (UINT64_MAX - digit) / base) {
                return std::nullopt;
            }
            value = value * base + digit;
        }
        return value;
    }

    Value InitializerToValue(const PropertyDef& property, const Initializer& init) const
    {
        if (init.isArray != IsArrayType(property.type)) {
            if (!init.isArray && init.scalar.type == Constant::Type::Null) {
                return Value::MakeNull();
            }
            throw MofError{init.line, IsArrayType(property.type)
                                          ? u"expected an array value '{...}' for " + property.name
                                          : u"expected a single value for " + property.name};
        }
        if (!init.isArray) {
            return ConstantToValue(property.type, init.scalar);
        }
        std::vector<Scalar> elements;
        for (const auto& constant : init.elements) {
            Value element = ConstantToValue(property.type, constant);
            if (element.IsNull()) {
                throw MofError{constant.line, u"expected a value, arrays cannot hold null"};
            }
            elements.push_back(std::move(element.scalar));
        }
        return Value::MakeArray(std::move(elements));
    }

    // ---- classes ----

    struct TypeSpec {
        CIMTYPE type = CIM_EMPTY;
        std::u16string typeClass;
    };

    // `sint32`, `string`, `object`, `Class ref`, or a class name for an embedded object.
    TypeSpec ParseType(bool allowVoid)
    {
        TypeSpec spec;
        const std::u16string name = ExpectIdentifier(u"a type");
        const std::optional<CIMTYPE> cimType = ParseCimTypeName(name);
        if (IsKeyword(u"ref")) {
            Advance();
            spec.type = CIM_REFERENCE;
            // `object ref` is a reference to an object of any class.
            spec.typeClass = NamesEqual(name, u"object") ? std::u16string() : name;
            return spec;
        }
        if (cimType && (*cimType != CIM_EMPTY || allowVoid) && *cimType != CIM_REFERENCE) {
            spec.type = *cimType;
            return spec;
        }
        if (Namespace().FindClass(name) != nullptr) {
            spec.type = CIM_OBJECT;
            spec.typeClass = name;
            return spec;
        }
        throw MofError{Peek().line, u"expected a type, '" + name + u"' is neither a CIM type nor a class"};
    }

    bool AcceptArraySuffix()
    {
        if (!Accept(u"[")) {
            return false;
        }
        if (Peek().kind == Kind::Integer) {
            Advance();
        }
        Expect(u"]");
        return true;
    }

    static Qualifier CimTypeQualifier(CIMTYPE type, std::u16string_view typeClass)
    {
        Qualifier qualifier;
        qualifier.name = u"CIMTYPE";
        qualifier.type = CIM_STRING;
        qualifier.value = Value::MakeScalar(CimTypeQualifierText(type, typeClass));
        qualifier.flavor =
            WBEM_FLAVOR_FLAG_PROPAGATE_TO_INSTANCE | WBEM_FLAVOR_FLAG_PROPAGATE_TO_DERIVED_CLASS;
        return qualifier;
    }

    // Qualifiers that a subclass inherits: the propagating ones, marked as propagated.
    static QualifierList Inherited(const QualifierList& qualifiers)
    {
        QualifierList inherited;
        for (const auto& qualifier : qualifiers) {
            if ((qualifier.flavor & WBEM_FLAVOR_FLAG_PROPAGATE_TO_DERIVED_CLASS) != 0 &&
                !NamesEqual(qualifier.name, u"abstract")) {
                Qualifier copy = qualifier;
                copy.flavor |= WBEM_FLAVOR_ORIGIN_PROPAGATED;
                inherited.push_back(std::move(copy));
            }
        }
        return inherited;
    }

    void ParseClass(QualifierList qualifiers)
    {
        const int line = Peek().line;
        Advance();  // class
        auto cls = std::make_shared<ClassDef>();
        cls->name = ExpectIdentifier(u"a class name");
        if (Accept(u":")) {
            cls->superclass = ExpectIdentifier(u"a superclass name");
            const std::shared_ptr<const ClassDef> parent = Namespace().FindClass(cls->superclass);
            if (parent == nullptr) {
                Fail(u"expected a known superclass, '" + cls->superclass + u"' is not defined in " +
                     namespace_);
            }
            cls->superclass = parent->name;
            cls->derivation.push_back(parent->name);
            cls->derivation.insert(cls->derivation.end(), parent->derivation.begin(),
                                   parent->derivation.end());
            cls->qualifiers = Inherited(parent->qualifiers);
            for (const auto& property : parent->properties) {
                PropertyDef copy = property;
                copy.qualifiers = Inherited(property.qualifiers);
                cls->properties.push_back(std::move(copy));
            }
            cls->methods = parent->methods;
        }
        for (auto& qualifier : qualifiers) {
            SetQualifier(cls->qualifiers, std::move(qualifier));
        }
        Expect(u"{");
        while (!Accept(u"}")) {
            if (Peek().kind == Kind::End) {
                Fail(u"expected '}' to close class " + cls->name);
            }
            ParseFeature(*cls);
        }
        Expect(u";");
        cls->UpdateKeys();
        cls->fixture = declared_ != nullptr;
        NamespaceData& ns = *current_ns_;
        const bool firstInThisLoad =
            declared_ != nullptr && declared_->emplace(FoldName(ns.path), FoldName(cls->name)).second;
        for (auto& existing : ns.classes) {
            if (NamesEqual(existing->name, cls->name)) {
                if (!firstInThisLoad) {
                    throw MofError{line, u"expected a new class name, " + cls->name + u" is already defined"};
                }
                DropInstancesOf(ns, existing->name);
                existing = std::move(cls);
                return;
            }
        }
        ns.classes.push_back(std::move(cls));
    }

    // Drops the stored instances of exactly that class (not those of its subclasses).
    static void DropInstancesOf(NamespaceData& ns, std::u16string_view className)
    {
        for (size_t position = ns.Instances().size(); position-- > 0;) {
            if (NamesEqual(ns.Instances()[position]->cls->name, className)) {
                ns.EraseInstance(position);
            }
        }
    }

    void ParseFeature(ClassDef& cls)
    {
        QualifierList qualifiers = ParseQualifierListIfAny();
        const TypeSpec type = ParseType(true);
        const std::u16string name = ExpectIdentifier(u"a property or method name");
        if (IsPunct(u"(")) {
            ParseMethod(cls, std::move(qualifiers), type, name);
            return;
        }
        if (type.type == CIM_EMPTY) {
            Fail(u"expected '(' after a method returning void");
        }
        PropertyDef property;
        property.name = name;
        property.type = type.type | (AcceptArraySuffix() ? CIM_FLAG_ARRAY : 0);
        property.typeClass = type.typeClass;
        property.origin = cls.name;
        const bool hasOwnCimType = FindQualifier(qualifiers, u"CIMTYPE") != nullptr;
        const std::u16string declaredClass = DeclaredObjectClass(qualifiers);
        if (!declaredClass.empty() && ElementType(property.type) == CIM_OBJECT) {
            property.typeClass = declaredClass;
        }
        if (!hasOwnCimType) {
            qualifiers.insert(qualifiers.begin(), CimTypeQualifier(property.type, property.typeClass));
        }
        property.qualifiers = std::move(qualifiers);
        if (Accept(u"=")) {
            property.defaultValue = InitializerToValue(property, ParseInitializer());
        }
        Expect(u";");
        const int existing = cls.FindProperty(name);
        if (existing < 0) {
            cls.properties.push_back(std::move(property));
            return;
        }
        PropertyDef& inherited = cls.properties[static_cast<size_t>(existing)];
        if (!NamesEqual(inherited.origin, cls.name) && inherited.type == property.type) {
            // An override keeps its place and origin and adds its own qualifiers and default.
            for (auto& qualifier : property.qualifiers) {
                SetQualifier(inherited.qualifiers, std::move(qualifier));
            }
            inherited.defaultValue = std::move(property.defaultValue);
            return;
        }
        Fail(u"expected each property once, " + name + u" is declared again");
    }

    // The class of `[CIMTYPE("object:Class")]`, which types an embedded object whose class the
    // MOF does not declare before; empty without one.
    static std::u16string DeclaredObjectClass(const QualifierList& qualifiers)
    {
        const Qualifier* declared = FindQualifier(qualifiers, u"CIMTYPE");
        const auto* text =
            declared == nullptr ? nullptr : std::get_if<std::u16string>(&declared->value.scalar);
        if (text == nullptr || text->size() <= 7 || !NamesEqual(text->substr(0, 7), u"object:")) {
            return {};
        }
        return text->substr(7);
    }

    struct Parameter {
        std::u16string name;
        CIMTYPE type;
        std::u16string typeClass;
        QualifierList qualifiers;
    };

    void ParseMethod(ClassDef& cls, QualifierList qualifiers, const TypeSpec& returnType,
                     const std::u16string& name)
    {
        Expect(u"(");
        std::vector<Parameter> parameters;
        if (!IsPunct(u")")) {
            do {
                Parameter parameter;
                parameter.qualifiers = ParseQualifierListIfAny();
                const TypeSpec type = ParseType(false);
                parameter.name = ExpectIdentifier(u"a parameter name");
                parameter.type = type.type | (AcceptArraySuffix() ? CIM_FLAG_ARRAY : 0);
                parameter.typeClass = type.typeClass;
                const std::u16string declaredClass = DeclaredObjectClass(parameter.qualifiers);
                if (!declaredClass.empty() && ElementType(parameter.type) == CIM_OBJECT) {
                    parameter.typeClass = declaredClass;
                }
                if (!HasTrueQualifier(parameter.qualifiers, u"in") &&
                    !HasTrueQualifier(parameter.qualifiers, u"out")) {
                    Fail(u"expected [in] or [out] on parameter " + parameter.name);
                }
                parameters.push_back(std::move(parameter));
            } while (Accept(u","));
        }
        Expect(u")");
        Expect(u";");
        MethodDef method;
        method.name = name;
        method.qualifiers = std::move(qualifiers);
        method.origin = cls.name;
        method.inSignature = BuildSignature(parameters, u"in", nullptr);
        method.outSignature =
            BuildSignature(parameters, u"out", returnType.type == CIM_EMPTY ? nullptr : &returnType);
        for (auto& existing : cls.methods) {
            if (NamesEqual(existing.name, name)) {
                existing = std::move(method);
                return;
            }
        }
        cls.methods.push_back(std::move(method));
    }

    // The __PARAMETERS class of the parameters marked `direction`; null when there is none.
    static std::shared_ptr<const ClassDef> BuildSignature(const std::vector<Parameter>& parameters,
                                                          std::u16string_view direction,
                                                          const TypeSpec* returnType)
    {
        auto signature = std::make_shared<ClassDef>();
        signature->name = u"__PARAMETERS";
        for (size_t i = 0; i < parameters.size(); ++i) {
            const Parameter& parameter = parameters[i];
            if (!HasTrueQualifier(parameter.qualifiers, direction)) {
                continue;
            }
            PropertyDef property;
            property.name = parameter.name;
            property.type = parameter.type;
            property.typeClass = parameter.typeClass;
            property.origin = signature->name;
            property.qualifiers = parameter.qualifiers;
            SetQualifier(property.qualifiers, CimTypeQualifier(parameter.type, parameter.typeClass));
            // A parameter's ID is its position, unless the MOF gives one.
            if (FindQualifier(property.qualifiers, u"ID") == nullptr) {
                Qualifier id;
                id.name = u"ID";
                id.type = CIM_SINT32;
                id.value = Value::MakeScalar(static_cast<std::int64_t>(i));
                property.qualifiers.push_back(std::move(id));
            }
            signature->properties.push_back(std::move(property));
        }
        if (returnType != nullptr) {
            PropertyDef property;
            property.name = u"ReturnValue";
            property.type = returnType->type;
            property.typeClass = returnType->typeClass;
            property.origin = signature->name;
            Qualifier out;
            out.name = u"out";
            out.type = CIM_BOOLEAN;
            out.value = Value::MakeScalar(true);
            property.qualifiers.push_back(std::move(out));
            property.qualifiers.push_back(CimTypeQualifier(returnType->type, returnType->typeClass));
            signature->properties.insert(signature->properties.begin(), std::move(property));
        }
        if (signature->properties.empty()) {
            return nullptr;
        }
        return signature;
    }

    // ---- instances ----

    // An instance nests at most kMaxObjectLevels levels deep, as Put allows; the parse of a deeper
    // one stops before it recurses further.
    ObjectData ParseInstance()
    {
        if (instanceLevel_ >= kMaxObjectLevels) {
            FailTooDeep();
        }
        ++instanceLevel_;
        ObjectData instance = ParseInstanceBody();
        --instanceLevel_;
        return instance;
    }

    [[noreturn]] void FailTooDeep() const
    {
        throw MofError{
            Peek().line,
            u"expected instances nested at most " + Widen(std::to_string(kMaxObjectLevels)) + u" levels deep",
            WBEM_E_INVALID_PARAMETER};
    }

    ObjectData ParseInstanceBody()
    {
        ExpectKeyword(u"instance");
        ExpectKeyword(u"of");
        const std::u16string className = ExpectIdentifier(u"a class name after 'instance of'");
        const std::shared_ptr<const ClassDef> cls = Namespace().FindClass(className);
        if (cls == nullptr) {
            Fail(u"expected a known class, '" + className + u"' is not defined in " + namespace_);
        }
        std::u16string alias;
        if (IsKeyword(u"as")) {
            Advance();
            if (Peek().kind != Kind::Alias) {
                Fail(u"expected an alias ($name) after 'as'");
            }
            alias = Take().text;
        }
        ObjectData instance = ObjectData::NewInstance(cls);
        Expect(u"{");
        while (!Accept(u"}")) {
            if (Peek().kind == Kind::End) {
                Fail(u"expected '}' to close the instance of " + className);
            }
            ParseQualifierListIfAny();  // qualifiers on instance values do not change the value
            const std::u16string name = ExpectIdentifier(u"a property name");
            const int index = cls->FindProperty(name);
            if (index < 0) {
                Fail(u"expected a property of " + cls->name + u", '" + name + u"' is not one");
            }
            Expect(u"=");
            instance.values[static_cast<size_t>(index)] =
                InitializerToValue(cls->properties[static_cast<size_t>(index)], ParseInitializer());
            Expect(u";");
        }
        if (!alias.empty()) {
            aliases_[FoldName(alias)] = instance.RelativePath();
        }
        return instance;
    }

    void StoreInstance(ObjectData instance, int line)
    {
        const ClassDef& cls = *instance.cls;
        if (HasTrueQualifier(cls.qualifiers, u"abstract")) {
            throw MofError{line, u"expected a class that is not abstract, " + cls.name + u" is abstract"};
        }
        for (const auto& key : cls.keyNames) {
            if (instance.values[static_cast<size_t>(cls.FindProperty(key))].IsNull()) {
                throw MofError{line, u"expected a value for the key property " + key + u" of " + cls.name};
            }
        }
        if (cls.keyNames.empty() && !cls.singleton) {
            throw MofError{
                line, u"expected a class with key properties or [singleton], " + cls.name + u" has none"};
        }
        NamespaceData& ns = *current_ns_;
        instance.nsPath = ns.path;
        instance.server = data_.server;
        auto stored = std::make_shared<const ObjectData>(std::move(instance));
        const size_t keyHash = NamespaceData::KeyHashOf(*stored);
        const std::vector<size_t> candidates = ns.InstancesWithKeyHash(keyHash);
        if (!candidates.empty()) {
            const std::u16string path = stored->RelativePath();
            for (const size_t position : candidates) {
                const ObjectData& existing = *ns.Instances()[position];
                if (NamesEqual(existing.cls->name, cls.name) && existing.RelativePath() == path) {
                    ns.ReplaceInstance(position, std::move(stored));
                    return;
                }
            }
        }
        ns.AppendInstance(std::move(stored), keyHash);
    }

    // The namespace that declarations go into, as this parse edits it.
    const NamespaceData& Namespace() const { return *current_ns_; }

    MofTokenStream tokens_;
    MofToken current_;
    std::u16string namespace_;
    RepositoryData& data_;
    // What data_.Edit(namespace_) gave: a namespace this parse owns, which stays where it is.
    NamespaceData* current_ns_ = nullptr;
    std::map<std::u16string, std::u16string> aliases_;
    DeclaredClasses* declared_;
    // Instances being parsed, the outermost included.
    int instanceLevel_ = 0;
};

}  // namespace

std::u16string MofFailure::Text() const
{
    const std::u16string number = Widen(std::to_string(line));
    if (source.empty()) {
        return (line > 0 ? u"line " + number + u": " : std::u16string()) + reason;
    }
    return source + (line > 0 ? u":" + number : std::u16string()) + u": " + reason;
}

namespace {

HRESULT ParseOne(std::u16string_view text, std::u16string_view defaultNamespace, RepositoryData& data,
                 DeclaredClasses* declared, MofFailure* failure)
{
    try {
        try {
            Parser(text, defaultNamespace, data, declared).Run();
        } catch (const MofError&) {
            // A text that does not split into tokens is refused for that, wherever the first
            // token error stands: the parser, which reads the tokens as it goes, stopped before it.
            CheckMofTokens(text);
            throw;
        }
        return WBEM_S_NO_ERROR;
    } catch (const MofError& error) {
        if (failure != nullptr) {
            failure->line = error.line;
            failure->reason = error.message;
        }
        return error.result;
    }
}

}  // namespace

HRESULT ParseMof(std::u16string_view text, std::u16string_view defaultNamespace, RepositoryData& data,
                 std::u16string* errorText)
{
    MofFailure failure;
    const HRESULT hr = ParseOne(text, defaultNamespace, data, nullptr, &failure);
    if (FAILED(hr) && errorText != nullptr) {
        *errorText = failure.Text();
    }
    return hr;
}

HRESULT ParseMofSources(const std::vector<MofSource>& sources, std::u16string_view defaultNamespace,
                        RepositoryData& data, bool asFixture, MofFailure* failure)
{
    DeclaredClasses declared;
    for (const MofSource& source : sources) {
        const HRESULT hr =
            ParseOne(source.text, defaultNamespace, data, asFixture ? &declared : nullptr, failure);
        if (FAILED(hr)) {
            if (failure != nullptr) {
                failure->source = source.name;
            }
            return hr;
        }
    }
    return WBEM_S_NO_ERROR;
}

}  // namespace pal::wmi
