import pytest

import vorn_identity

R = vorn_identity.ORDER
Q = vorn_identity.FIELD_MODULUS
G1 = vorn_identity.G1
G2 = vorn_identity.G2
G2_INF = ((0, 0), (0, 0))


@pytest.fixture(scope="session")
def vi():
    return vorn_identity
