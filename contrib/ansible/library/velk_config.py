#!/usr/bin/python3
# -*- coding: utf-8 -*-
# Sets keys on one recorder through velk-config, on the machine the task
# runs on (delegate it to the control node: velk-config reaches the
# recorders from there). Standard library and ansible only.

DOCUMENTATION = r'''
module: velk_config
short_description: Set keys on one recorder with velk-config
description:
  - Loads the recorder, checks every key and value as the setup dialog would,
    stores only when a value changes and reads the keys back.
  - Check mode runs velk-config --dry-run; --diff shows each key's old and new value.
  - C(changed) is true only when a value changed.
options:
  address:
    description: The recorder, host[:port].
    required: true
    type: str
  login:
    description: The login on the recorder.
    default: admin
    type: str
  password:
    description: The plain password; handed to velk-config in its environment, never on a command line.
    required: true
    type: str
  keys:
    description: file/section/name to value.
    type: dict
    default: {}
  state:
    description: C(present) sets the keys; C(query) only reads them (returned as C(values)).
    choices: [present, query]
    default: present
    type: str
  create:
    description: Allow keys the recorder's files do not hold yet.
    type: bool
    default: false
  timeout:
    description: Seconds after which velk-config gives up on the recorder.
    type: int
    default: 300
  executable:
    description: The velk-config program.
    type: str
    default: velk-config
'''

EXAMPLES = r'''
- name: Network settings of every recorder
  velk_config:
    address: "{{ recorder_address }}"
    password: "{{ recorder_password }}"
    keys:
      net/common/hostname: "{{ inventory_hostname }}"
      net/dns/server1: 10.0.0.53
  delegate_to: localhost
'''

RETURN = r'''
changed_keys:
  description: Each key that changed (or would, in check mode) with its old and new value.
  type: dict
  returned: always
values:
  description: The keys read, with state=query.
  type: dict
  returned: always
'''

import json

from ansible.module_utils.basic import AnsibleModule


def command(module):
    p = module.params
    target = '%s@%s' % (p['login'], p['address'])
    cmd = [p['executable'], '--json', '--timeout', str(p['timeout'])]
    if p['state'] == 'query':
        return cmd + ['get', target] + sorted(p['keys'])
    cmd += ['set', target]
    if module.check_mode:
        cmd.append('--dry-run')
    if p['create']:
        cmd.append('--create')
    return cmd + ['%s=%s' % (k, '' if v is None else v) for k, v in sorted(p['keys'].items())]


def report(stdout):
    # One object per recorder; this module works on one.
    for line in stdout.splitlines():
        line = line.strip()
        if line.startswith('{'):
            return json.loads(line)
    return None


def diff(changes):
    before = ''.join('%s=%s\n' % (k, c['old'] if c['old'] is not None else '')
                     for k, c in sorted(changes.items()))
    after = ''.join('%s=%s\n' % (k, c['new']) for k, c in sorted(changes.items()))
    return {'before': before, 'after': after}


def main():
    module = AnsibleModule(
        argument_spec=dict(
            address=dict(type='str', required=True),
            login=dict(type='str', default='admin'),
            password=dict(type='str', required=True, no_log=True),
            keys=dict(type='dict', default={}, no_log=False),
            state=dict(type='str', default='present', choices=['present', 'query']),
            create=dict(type='bool', default=False),
            timeout=dict(type='int', default=300),
            executable=dict(type='str', default='velk-config'),
        ),
        supports_check_mode=True,
    )
    if not module.params['keys']:
        module.fail_json(msg='give at least one key')
    rc, out, err = module.run_command(
        command(module), environ_update={'VELK_PASSWORD': module.params['password']})
    result = report(out)
    if result is None:
        module.fail_json(msg='velk-config gave no result (exit %d): %s' % (rc, err.strip()),
                         rc=rc)
    changes = result.get('changed') or {}
    outcome = dict(changed=bool(changes), changed_keys=changes,
                   values=result.get('read') or {}, result=result.get('result'),
                   seconds=result.get('seconds'), message=result.get('message'))
    if module._diff and changes:
        outcome['diff'] = diff(changes)
    if result.get('result') != 'ok':
        outcome['refused'] = result.get('refused') or {}
        module.fail_json(msg='%s: %s' % (result.get('address'), result.get('message')),
                         rc=rc, **outcome)
    module.exit_json(**outcome)


if __name__ == '__main__':
    main()
