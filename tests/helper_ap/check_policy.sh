#!/usr/bin/env bash
# The helper's polkit action: well-formed, one action of our id, an administrator's password kept
# for a while by an active session (never plain yes), bound to the helper's installed path, and
# the message telling, in Chinese and English, what the password is for.
# Exit status: 0 good; 1 a check failed; 77 xmllint is missing.
set -euo pipefail
policy=$1
command -v xmllint >/dev/null || exit 77
fail() { echo "check_policy: FAIL: $*"; exit 1; }
value() { xmllint --xpath "$1" "$policy" 2>/dev/null || true; }

xmllint --noout "$policy" || fail "not well-formed XML"
[ "$(value 'count(/policyconfig/action)')" = 1 ] || fail "not exactly one action"
[ "$(value 'string(/policyconfig/action/@id)')" = io.github.tavlo.Tavlo.helper ] || fail "action id"
[ "$(value 'string(//defaults/allow_active)')" = auth_admin_keep ] || fail "allow_active"
for who in allow_any allow_inactive; do
  v=$(value "string(//defaults/$who)")
  case $v in auth_admin|auth_admin_keep|no) ;; *) fail "$who is '$v'" ;; esac
done
[ "$(value 'string(//annotate[@key="org.freedesktop.policykit.exec.path"])')" = \
  /usr/libexec/tavlo/tavlo-helper ] || fail "exec.path"
[ "$(value 'count(//annotate[@key="org.freedesktop.policykit.exec.allow_gui"])')" = 0 ] ||
  fail "the helper must not take the display"
[ "$(value 'string(//message[@xml:lang="zh_CN"])')" = \
  "Tavlo 需要管理员权限来开启热点：设置网络地址、地址分配和网络地址转换" ] || fail "Chinese message"
[ -n "$(value 'string(//message[not(@xml:lang)])')" ] || fail "English message"
echo "check_policy: ok"
