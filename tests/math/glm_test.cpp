// View and projection builders against an independent library. Its matrices are column-major
// and act on column vectors, so the transpose it stores has exactly our row-major layout.
#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/glm.hpp>

#include "math_test_util.h"

namespace {

::testing::AssertionResult SameAsGlm(const D3DXMATRIX& ours, const glm::mat4& theirs, float tol = 2e-6f) {
  D3DXMATRIX g;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) g.m[r][c] = theirs[r][c];
  return mt::Near(ours, g, tol);
}

}  // namespace

TEST(AgainstGlm, PerspectiveBuilders) {
  D3DXMATRIX m;
  for (float fov : {0.5f, 1.0f, 1.4f}) {
    for (float aspect : {1.0f, 4.0f / 3, 0.5f}) {
      EXPECT_TRUE(SameAsGlm(*D3DXMatrixPerspectiveFovLH(&m, fov, aspect, 0.5f, 500),
                            glm::perspectiveLH_ZO(fov, aspect, 0.5f, 500.0f)));
      EXPECT_TRUE(SameAsGlm(*D3DXMatrixPerspectiveFovRH(&m, fov, aspect, 0.5f, 500),
                            glm::perspectiveRH_ZO(fov, aspect, 0.5f, 500.0f)));
    }
  }
  EXPECT_TRUE(SameAsGlm(*D3DXMatrixPerspectiveLH(&m, 4, 3, 1, 100),
                        glm::frustumLH_ZO(-2.0f, 2.0f, -1.5f, 1.5f, 1.0f, 100.0f)));
  EXPECT_TRUE(SameAsGlm(*D3DXMatrixPerspectiveRH(&m, 4, 3, 1, 100),
                        glm::frustumRH_ZO(-2.0f, 2.0f, -1.5f, 1.5f, 1.0f, 100.0f)));
  // Its left-handed off-centre frustum keeps the right-handed signs of the centre terms, which
  // maps the near rectangle off [-1, 1]; compare with its right-handed frustum with z mirrored.
  glm::mat4 mirrored = glm::frustumRH_ZO(-1.0f, 3.0f, -2.0f, 0.5f, 0.5f, 50.0f);
  for (int c = 0; c < 4; ++c) mirrored[2][c] = -mirrored[2][c];
  EXPECT_TRUE(SameAsGlm(*D3DXMatrixPerspectiveOffCenterLH(&m, -1, 3, -2, 0.5f, 0.5f, 50), mirrored));
  // And directly: the near rectangle's corners land on the corners of the unit square at depth 0.
  const D3DXVECTOR3 lowCorner(-1, -2, 0.5f), highCorner(3, 0.5f, 0.5f), farPoint(0, 0, 50);
  D3DXVECTOR3 ndc;
  D3DXMatrixPerspectiveOffCenterLH(&m, -1, 3, -2, 0.5f, 0.5f, 50);
  EXPECT_TRUE(mt::Near(*D3DXVec3TransformCoord(&ndc, &lowCorner, &m), D3DXVECTOR3(-1, -1, 0)));
  EXPECT_TRUE(mt::Near(*D3DXVec3TransformCoord(&ndc, &highCorner, &m), D3DXVECTOR3(1, 1, 0)));
  EXPECT_NEAR(D3DXVec3TransformCoord(&ndc, &farPoint, &m)->z, 1.0f, 1e-6f);
  EXPECT_TRUE(SameAsGlm(*D3DXMatrixPerspectiveOffCenterRH(&m, -1, 3, -2, 0.5f, 0.5f, 50),
                        glm::frustumRH_ZO(-1.0f, 3.0f, -2.0f, 0.5f, 0.5f, 50.0f)));
}

TEST(AgainstGlm, OrthographicBuilders) {
  D3DXMATRIX m;
  EXPECT_TRUE(SameAsGlm(*D3DXMatrixOrthoLH(&m, 8, 6, 0.1f, 10),
                        glm::orthoLH_ZO(-4.0f, 4.0f, -3.0f, 3.0f, 0.1f, 10.0f)));
  EXPECT_TRUE(SameAsGlm(*D3DXMatrixOrthoRH(&m, 8, 6, 0.1f, 10),
                        glm::orthoRH_ZO(-4.0f, 4.0f, -3.0f, 3.0f, 0.1f, 10.0f)));
  EXPECT_TRUE(SameAsGlm(*D3DXMatrixOrthoOffCenterLH(&m, -1, 5, -2, 7, -3, 9),
                        glm::orthoLH_ZO(-1.0f, 5.0f, -2.0f, 7.0f, -3.0f, 9.0f)));
  EXPECT_TRUE(SameAsGlm(*D3DXMatrixOrthoOffCenterRH(&m, -1, 5, -2, 7, -3, 9),
                        glm::orthoRH_ZO(-1.0f, 5.0f, -2.0f, 7.0f, -3.0f, 9.0f)));
}

TEST(AgainstGlm, LookAt) {
  mt::Rng rng;
  for (int i = 0; i < 50; ++i) {
    const D3DXVECTOR3 eye = rng.Vec3(), at = rng.Vec3(),
                      up(rng.Uniform(-0.2f, 0.2f), 1, rng.Uniform(-0.2f, 0.2f));
    const glm::vec3 ge(eye.x, eye.y, eye.z), ga(at.x, at.y, at.z), gu(up.x, up.y, up.z);
    D3DXMATRIX m;
    EXPECT_TRUE(SameAsGlm(*D3DXMatrixLookAtLH(&m, &eye, &at, &up), glm::lookAtLH(ge, ga, gu), 2e-5f));
    EXPECT_TRUE(SameAsGlm(*D3DXMatrixLookAtRH(&m, &eye, &at, &up), glm::lookAtRH(ge, ga, gu), 2e-5f));
  }
}
