#!/usr/bin/env python3
"""The Ansible module over three emulated recorders on loopback: check mode
changes nothing, the first apply changes each recorder, the second reports
changed=0, and a wrong password fails that host alone.

Exits 77 (skipped) only when ansible-playbook is missing and cannot be
installed."""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIP = 77


def ensure_ansible():
    if shutil.which('ansible-playbook'):
        return None
    apt = ['apt-get', 'install', '-y', '-q', '--no-install-recommends', 'ansible-core']
    if os.geteuid() != 0:
        if not shutil.which('sudo'):
            return 'not root and no sudo to install ansible-core'
        apt = ['sudo', '-n'] + apt
    env = dict(os.environ, DEBIAN_FRONTEND='noninteractive')
    done = subprocess.run(apt, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True)
    if done.returncode != 0 or not shutil.which('ansible-playbook'):
        return 'apt-get could not install ansible-core: ' + done.stdout.strip()[-300:]
    return None


class Recorder:
    def __init__(self, sim, sample, folder):
        shutil.copytree(sample, folder)
        self.folder = folder
        self.process = subprocess.Popen(
            [sim, '--listen', '127.0.0.1:0', '--dir', folder],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        first = self.process.stdout.readline()
        found = re.search(r'on (127\.0\.0\.1:\d+)', first)
        if not found:
            self.stop()
            raise RuntimeError('the emulator did not say where it listens: %r' % first)
        self.address = found.group(1)

    def net(self):
        with open(os.path.join(self.folder, 'net.ini'), 'rb') as f:
            return f.read()

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


def recap(output):
    """host -> {'ok': n, 'changed': n, 'failed': n, ...} from the PLAY RECAP."""
    hosts = {}
    for m in re.finditer(r'^(\S+)\s*:\s*((?:\w+=\d+\s*)+)$', output, re.M):
        hosts[m.group(1)] = {k: int(v) for k, v in re.findall(r'(\w+)=(\d+)', m.group(2))}
    return hosts


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--velk-config', required=True)
    parser.add_argument('--device-sim', required=True)
    parser.add_argument('--sample-device', required=True)
    parser.add_argument('--contrib', required=True, help='contrib/ansible')
    args = parser.parse_args()
    for name in ('velk_config', 'device_sim', 'sample_device', 'contrib'):
        setattr(args, name, os.path.abspath(getattr(args, name)))

    why = ensure_ansible()
    if why:
        print('SKIP: ansible-playbook is missing and cannot be installed: ' + why)
        return SKIP

    failures = []

    def check(condition, what, output=''):
        if not condition:
            failures.append(what)
            print('FAIL: ' + what + ('\n' + output if output else ''))

    with tempfile.TemporaryDirectory() as scratch:
        recorders = {}
        try:
            for name in ('gate-1', 'gate-2', 'gate-3'):
                recorders[name] = Recorder(args.device_sim, args.sample_device,
                                           os.path.join(scratch, name))

            def inventory(wrong=None):
                path = os.path.join(scratch, 'inventory-%s.ini' % (wrong or 'all'))
                with open(path, 'w') as f:
                    f.write('[recorders]\n')
                    for name, r in recorders.items():
                        f.write('%s recorder_address=%s recorder_password=%s\n'
                                % (name, r.address, 'wrong' if name == wrong else 'admin'))
                return path

            env = dict(os.environ, ANSIBLE_LIBRARY=os.path.join(args.contrib, 'library'),
                       ANSIBLE_NOCOLOR='1', ANSIBLE_HOST_KEY_CHECKING='0',
                       ANSIBLE_LOCAL_TEMP=os.path.join(scratch, 'ansible-tmp'),
                       ANSIBLE_HOME=os.path.join(scratch, 'ansible-home'),
                       ANSIBLE_RETRY_FILES_ENABLED='0')
            playbook = os.path.join(args.contrib, 'examples', 'recorders.yml')

            def play(inventory_path, *extra):
                done = subprocess.run(
                    ['ansible-playbook', '-i', inventory_path, '--forks', '3',
                     '-e', 'velk_config=' + args.velk_config, playbook] + list(extra),
                    env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                    timeout=300)
                return done.returncode, done.stdout, recap(done.stdout)

            before = {n: r.net() for n, r in recorders.items()}
            rc, out, hosts = play(inventory(), '--check', '--diff')
            check(rc == 0, 'check mode ends well', out)
            for name, r in recorders.items():
                check(hosts.get(name, {}).get('changed') == 1,
                      'check mode reports the change on ' + name, out)
                check(r.net() == before[name], 'check mode leaves %s as it was' % name)
            check("net/common/hostname=velk-nvr" in out and "net/common/hostname=gate-2" in out,
                  'the diff shows old and new values', out)

            rc, out, hosts = play(inventory())
            check(rc == 0, 'the apply run ends well', out)
            for name, r in recorders.items():
                check(hosts.get(name, {}).get('changed') == 1, 'the apply changes ' + name, out)
                net = r.net()
                check(("hostname = '%s'" % name).encode() in net and b'10.0.0.53' in net,
                      '%s holds its new values' % name, net.decode(errors='replace'))

            # Reading back through the module: state=query changes nothing.
            done = subprocess.run(
                ['ansible', 'recorders', '-i', inventory(), '-c', 'local', '--forks', '3',
                 '-m', 'velk_config', '-a',
                 '{"address": "{{ recorder_address }}", "password": "{{ recorder_password }}",'
                 ' "executable": "%s", "state": "query",'
                 ' "keys": {"net/common/hostname": null}}' % args.velk_config],
                env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                timeout=300)
            check(done.returncode == 0 and
                  all('"net/common/hostname": "%s"' % n in done.stdout for n in recorders) and
                  '"changed": true' not in done.stdout,
                  'state=query reads each recorder back', done.stdout)

            rc, out, hosts = play(inventory())
            check(rc == 0, 'the second apply ends well', out)
            for name in recorders:
                check(hosts.get(name, {}).get('changed') == 0 and
                      hosts.get(name, {}).get('ok') == 1,
                      'the second apply changes nothing on ' + name, out)

            before = {n: r.net() for n, r in recorders.items()}
            rc, out, hosts = play(inventory(wrong='gate-2'), '-e', 'site_dns=10.0.0.54')
            check(rc != 0, 'a refused login fails the play', out)
            check(hosts.get('gate-2', {}).get('failed') == 1 and 'refused login' in out,
                  'the host with the wrong password fails', out)
            check(recorders['gate-2'].net() == before['gate-2'],
                  'the refused recorder is left alone')
            for name in ('gate-1', 'gate-3'):
                check(hosts.get(name, {}).get('changed') == 1 and
                      b'10.0.0.54' in recorders[name].net(),
                      'the other hosts go on: ' + name, out)
            check(' admin' not in out.split('PLAY RECAP')[0].replace('admin@', ''),
                  'no password in the output', out)
        finally:
            for r in recorders.values():
                r.stop()

    if failures:
        print('%d check(s) failed' % len(failures))
        return 1
    print('PASS: check mode, apply, idempotent apply and a refused login on three recorders')
    return 0


if __name__ == '__main__':
    sys.exit(main())
