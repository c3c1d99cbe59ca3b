#pragma once

#include <array>

namespace quindle {

/// A point or direction in the item's 3-D space.
struct Vector3 {
    double x { 0 };
    double y { 0 };
    double z { 0 };
    bool operator==(const Vector3&) const = default;
};

/// A homogeneous point after a transform; divide by w to project it.
struct Vector4 {
    double x { 0 };
    double y { 0 };
    double z { 0 };
    double w { 1 };
};

/// A 4x4 layer transform in row-vector form: a point p maps to p * M, so the translation sits
/// in the fourth row (m41, m42, m43) and the perspective term in m34.
///
/// translated() and rotated() prepend their step, so in a chain such as
/// base.translated(...).rotated(...) the last step is the first to act on the item's points.
class Transform3D {
public:
    /// The identity.
    Transform3D() = default;

    static Transform3D identity() { return {}; }
    /// Every component zero.
    static Transform3D zero();
    static Transform3D makeTranslation(double x, double y, double z);
    /// Rotation by angle (radians) about the axis (x, y, z); a zero axis gives the identity.
    static Transform3D makeRotation(double angle, double x, double y, double z);
    /// The identity with its perspective term (m34) set.
    static Transform3D makePerspective(double perspective);

    /// Component in row r, column c, both counted from 1 (m(3, 4) is m34).
    double m(int row, int column) const { return m_[index(row, column)]; }
    void setM(int row, int column, double value) { m_[index(row, column)] = value; }

    double m11() const { return m(1, 1); }
    double m12() const { return m(1, 2); }
    double m13() const { return m(1, 3); }
    double m14() const { return m(1, 4); }
    double m21() const { return m(2, 1); }
    double m22() const { return m(2, 2); }
    double m23() const { return m(2, 3); }
    double m24() const { return m(2, 4); }
    double m31() const { return m(3, 1); }
    double m32() const { return m(3, 2); }
    double m33() const { return m(3, 3); }
    double m34() const { return m(3, 4); }
    double m41() const { return m(4, 1); }
    double m42() const { return m(4, 2); }
    double m43() const { return m(4, 3); }
    double m44() const { return m(4, 4); }

    /// The transform that applies *this first and then other.
    Transform3D concatenated(const Transform3D& other) const;
    /// A translation by (x, y, z) followed by *this.
    Transform3D translated(double x, double y, double z) const;
    /// A rotation about (x, y, z) followed by *this.
    Transform3D rotated(double angle, double x, double y, double z) const;

    /// The point under this transform, before the perspective divide.
    Vector4 apply(const Vector3& point) const;
    /// The point under this transform after the perspective divide.
    Vector3 project(const Vector3& point) const;

    bool isIdentity() const { return *this == Transform3D {}; }
    bool operator==(const Transform3D&) const = default;

    /// Raw components, row by row.
    const std::array<double, 16>& components() const { return m_; }

private:
    static constexpr int index(int row, int column) { return (row - 1) * 4 + (column - 1); }

    std::array<double, 16> m_ { 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1 };
};

/// a.concatenated(b): a acts first.
inline Transform3D operator*(const Transform3D& a, const Transform3D& b) { return a.concatenated(b); }

}
